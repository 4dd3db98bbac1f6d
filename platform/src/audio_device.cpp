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
    std::vector<AudioCallback> processors;  // run on the mix, in the order attached
};

// Made on first use and never destroyed, so calls from other static
// constructors or destructors find it; whatever stays loaded at exit remains
// reachable from here rather than leaked.
DeviceState &Audio()
{
    static DeviceState *state = new DeviceState();
    return *state;
}

// How far ahead of the clock the mixer may run when the output does not hold
// it back: twice what a blocking output holds, so that one always blocks
// first and keeps its own time.
constexpr auto kPeriodTime = std::chrono::microseconds(1'000'000LL * kPeriodFrames / kDeviceRate);
[[maybe_unused]] constexpr auto kClockAhead = 2 * kAheadPeriods * kPeriodTime;

// One period of every playing voice, clamped to what an output takes.
void MixPeriod(std::vector<float> &period)
{
    std::fill(period.begin(), period.end(), 0.0f);
    {
        std::lock_guard<std::mutex> hold(Audio().lock);
        MixRegistered(period.data(), kPeriodFrames);
    }
    for (float &sample : period)
        sample = std::clamp(sample, -1.0f, 1.0f);
}

// Mixes a period at a time and hands it to the output, which blocks while it
// holds enough and so paces the mixer. An output that takes samples faster
// than they play (ALSA's null device) or has gone away is paced by the clock
// instead, so the mixer neither spins nor drains the streams faster than
// they are heard, and sounds end as if heard. The page has no threads: there
// PumpMixer does the mixing, once a frame.
#ifndef __EMSCRIPTEN__
void RunMixer(Output *output)
{
    using Clock = std::chrono::steady_clock;
    std::vector<float> period(std::size_t(kPeriodFrames) * kDeviceChannels);
    bool writing = true;
    auto heardBy = Clock::now();  // when, by the clock, what was written has played
    while (Audio().running.load(std::memory_order_relaxed)) {
        MixPeriod(period);
        const auto before = Clock::now();
        if (writing) writing = output->Write(period.data());
        const auto now = Clock::now();
        // A write that waited shows the output keeping time itself.
        const bool waited = writing && now - before >= kPeriodTime / 4;
        heardBy = waited ? now : std::max(heardBy, now) + kPeriodTime;
        if (heardBy - now > kClockAhead) std::this_thread::sleep_until(heardBy - kClockAhead);
    }
}
#endif

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

#ifdef __EMSCRIPTEN__
// Ahead of the speakers by more than a frame at 60 Hz and a late frame or
// two, and less than a music stream keeps queued.
constexpr int kWebAheadPeriods = 8;

void PumpMixer()
{
    if (!DeviceReady()) return;
    static std::vector<float> period(std::size_t(kPeriodFrames) * kDeviceChannels);
    while (WebQueuedFrames() < kWebAheadPeriods * kPeriodFrames) {
        MixPeriod(period);
        if (!Audio().output->Write(period.data())) break;
    }
}
#endif

void MixRegistered(float *out, int frames)
{
    for (rAudioBuffer *voice : Audio().live)
        MixVoice(*voice, out, frames);
    for (AudioCallback process : Audio().processors)
        process(out, static_cast<unsigned int>(frames));
}

}  // namespace rlp::audio

extern "C" {

void InitAudioDevice(void)
{
    if (rlp::audio::DeviceReady()) {
        TraceLog(LOG_WARNING, "AUDIO: Device already initialized");
        return;
    }
#ifdef __EMSCRIPTEN__
    std::unique_ptr<rlp::audio::Output> output = rlp::audio::OpenWebOutput();
#else
    std::unique_ptr<rlp::audio::Output> output = rlp::audio::OpenPulseOutput();
    if (output == nullptr) output = rlp::audio::OpenAlsaOutput();
#endif
    if (output == nullptr) {
        TraceLog(LOG_WARNING, "AUDIO: Failed to initialize playback device");
        return;
    }
    Audio().output = std::move(output);
    Audio().running = true;
#ifndef __EMSCRIPTEN__
    Audio().mixer = std::thread(RunMixer, Audio().output.get());
#endif
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
    if (Audio().mixer.joinable()) Audio().mixer.join();
    Audio().output.reset();
    // Handles outlive the device: they keep their data until unloaded but
    // stop playing.
    std::lock_guard<std::mutex> hold(Audio().lock);
    for (rAudioBuffer *buffer : Audio().live)
        rlp::audio::Silence(*buffer);
    TraceLog(LOG_INFO, "AUDIO: Device closed successfully");
}

bool IsAudioDeviceReady(void) { return rlp::audio::DeviceReady(); }

void AttachAudioMixedProcessor(AudioCallback processor)
{
    if (processor == nullptr) return;
    std::lock_guard<std::mutex> hold(Audio().lock);
    Audio().processors.push_back(processor);
}

void DetachAudioMixedProcessor(AudioCallback processor)
{
    std::lock_guard<std::mutex> hold(Audio().lock);
    std::erase(Audio().processors, processor);
}

}  // extern "C"
