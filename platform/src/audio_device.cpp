// The audio device: one playback output (a PulseAudio stream, or ALSA's
// default device when no server answers) fed by a mixer thread, and the
// registry of the buffers behind live Sound and Music handles.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <unordered_set>

#include "audio_internal.h"
#include "audio_output.h"

namespace {

using namespace rlp::audio;

struct DeviceState {
    std::unique_ptr<Output> output;
    std::thread mixer;
    std::atomic<bool> running{false};
    std::mutex lock;
    std::unordered_set<rAudioBuffer *> live;
};

// Made on first use and never destroyed, so calls from other static
// constructors or destructors find it; whatever stays loaded at exit remains
// reachable from here rather than leaked.
DeviceState &Audio()
{
    static DeviceState *state = new DeviceState();
    return *state;
}

// Mixes a period at a time and hands it to the output, which blocks while it
// holds enough. Should the output go away, the voices still move on in real
// time, so sounds end and streams drain as if heard.
void RunMixer(Output *output)
{
    std::vector<float> period(std::size_t(kPeriodFrames) * kDeviceChannels);
    bool writing = true;
    auto next = std::chrono::steady_clock::now();
    while (Audio().running.load(std::memory_order_relaxed)) {
        std::fill(period.begin(), period.end(), 0.0f);
        {
            std::lock_guard<std::mutex> hold(Audio().lock);
            MixRegistered(period.data(), kPeriodFrames);
        }
        for (float &sample : period)
            sample = std::clamp(sample, -1.0f, 1.0f);
        if (writing && !output->Write(period.data())) {
            writing = false;
            next = std::chrono::steady_clock::now();
        }
        if (!writing) {
            next += std::chrono::milliseconds(1000 * kPeriodFrames / kDeviceRate);
            std::this_thread::sleep_until(next);
        }
    }
}

}  // namespace

namespace rlp::audio {

bool DeviceReady() { return Audio().output != nullptr; }

std::mutex &Lock() { return Audio().lock; }

void Register(rAudioBuffer *buffer)
{
    std::lock_guard<std::mutex> hold(Audio().lock);
    Audio().live.insert(buffer);
}

void Unregister(rAudioBuffer *buffer)
{
    std::lock_guard<std::mutex> hold(Audio().lock);
    Audio().live.erase(buffer);
}

bool IsRegistered(const rAudioBuffer *buffer)
{
    if (buffer == nullptr) return false;
    std::lock_guard<std::mutex> hold(Audio().lock);
    return Audio().live.count(const_cast<rAudioBuffer *>(buffer)) != 0;
}

void MixRegistered(float *out, int frames)
{
    for (rAudioBuffer *voice : Audio().live)
        MixVoice(*voice, out, frames);
}

}  // namespace rlp::audio

extern "C" {

void InitAudioDevice(void)
{
    if (rlp::audio::DeviceReady()) {
        TraceLog(LOG_WARNING, "AUDIO: Device already initialized");
        return;
    }
    std::unique_ptr<rlp::audio::Output> output = rlp::audio::OpenPulseOutput();
    if (output == nullptr) output = rlp::audio::OpenAlsaOutput();
    if (output == nullptr) {
        TraceLog(LOG_WARNING, "AUDIO: Failed to initialize playback device");
        return;
    }
    Audio().output = std::move(output);
    Audio().running = true;
    Audio().mixer = std::thread(RunMixer, Audio().output.get());
    TraceLog(LOG_INFO, "AUDIO: Device initialized successfully");
    TraceLog(LOG_INFO, "    > Backend:       %s", Audio().output->backend);
    TraceLog(LOG_INFO, "    > Format:        32-bit float -> %s", Audio().output->format);
    TraceLog(LOG_INFO, "    > Channels:      %d -> %d", kDeviceChannels, kDeviceChannels);
    TraceLog(LOG_INFO, "    > Sample rate:   %d -> %d", kDeviceRate, kDeviceRate);
}

void CloseAudioDevice(void)
{
    if (!rlp::audio::DeviceReady()) return;
    Audio().running = false;
    Audio().mixer.join();
    Audio().output.reset();
    // Handles outlive the device: they keep their data until unloaded but
    // stop playing.
    std::lock_guard<std::mutex> hold(Audio().lock);
    for (rAudioBuffer *buffer : Audio().live)
        rlp::audio::Silence(*buffer);
    TraceLog(LOG_INFO, "AUDIO: Device closed successfully");
}

bool IsAudioDeviceReady(void) { return rlp::audio::DeviceReady(); }

}  // extern "C"
