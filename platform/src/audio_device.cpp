// The audio device: one PulseAudio playback stream fed by a mixer thread,
// and the registry of the buffers behind live Sound and Music handles.
#include <pulse/error.h>
#include <pulse/simple.h>

#include <cerrno>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <unordered_set>

#include "audio_internal.h"

namespace {

using namespace rlp::audio;

// The mixer's period, and how much the server holds ahead of the speakers.
constexpr int kPeriodFrames = kDeviceRate / 100;
constexpr int kAheadPeriods = 4;

struct DeviceState {
    pa_simple *output = nullptr;
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

// Mixes a period at a time and hands it to the server, which blocks while it
// holds enough. Should the server go away, the voices still move on in real
// time, so sounds end and streams drain as if heard.
void RunMixer(pa_simple *output)
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
        int error = 0;
        if (writing && pa_simple_write(output, period.data(), period.size() * sizeof(float), &error) < 0) {
            TraceLog(LOG_WARNING, "AUDIO: Playback stopped: %s", pa_strerror(error));
            writing = false;
            next = std::chrono::steady_clock::now();
        }
        if (!writing) {
            next += std::chrono::milliseconds(1000 * kPeriodFrames / kDeviceRate);
            std::this_thread::sleep_until(next);
        }
    }
}

pa_simple *OpenOutput()
{
    const pa_sample_spec format{PA_SAMPLE_FLOAT32NE, kDeviceRate, kDeviceChannels};
    const std::uint32_t period = kPeriodFrames * kDeviceChannels * sizeof(float);
    const std::uint32_t unset = static_cast<std::uint32_t>(-1);
    const pa_buffer_attr attr{unset, period * kAheadPeriods, unset, period, unset};
    int error = 0;
    return pa_simple_new(nullptr, program_invocation_short_name, PA_STREAM_PLAYBACK, nullptr, "Playback", &format,
                         nullptr, &attr, &error);
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
    pa_simple *output = OpenOutput();
    if (output == nullptr) {
        TraceLog(LOG_WARNING, "AUDIO: Failed to initialize playback device");
        return;
    }
    Audio().output = output;
    Audio().running = true;
    Audio().mixer = std::thread(RunMixer, output);
    TraceLog(LOG_INFO, "AUDIO: Device initialized successfully");
    TraceLog(LOG_INFO, "    > Backend:       PulseAudio");
    TraceLog(LOG_INFO, "    > Format:        32-bit float -> 32-bit float");
    TraceLog(LOG_INFO, "    > Channels:      %d -> %d", kDeviceChannels, kDeviceChannels);
    TraceLog(LOG_INFO, "    > Sample rate:   %d -> %d", kDeviceRate, kDeviceRate);
}

void CloseAudioDevice(void)
{
    if (!rlp::audio::DeviceReady()) return;
    Audio().running = false;
    Audio().mixer.join();
    pa_simple_free(Audio().output);
    Audio().output = nullptr;
    // Handles outlive the device: they keep their data until unloaded but
    // stop playing.
    std::lock_guard<std::mutex> hold(Audio().lock);
    for (rAudioBuffer *buffer : Audio().live)
        rlp::audio::Silence(*buffer);
    TraceLog(LOG_INFO, "AUDIO: Device closed successfully");
}

bool IsAudioDeviceReady(void) { return rlp::audio::DeviceReady(); }

}  // extern "C"
