// The audio device: one playback output, the system's (backend/
// audio_output.h), fed with the mix of every playing voice, and the registry
// of the buffers behind live Sound and Music handles.
#include <algorithm>
#include <unordered_set>

#include "audio_internal.h"

namespace {

using namespace rlp::audio;

struct DeviceState {
    std::unique_ptr<Output> output;
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

void MixPeriod(float *period)
{
    std::fill(period, period + std::size_t(kPeriodFrames) * kDeviceChannels, 0.0f);
    {
        std::lock_guard<std::mutex> hold(Audio().lock);
        MixRegistered(period, kPeriodFrames);
    }
    for (std::size_t i = 0; i < std::size_t(kPeriodFrames) * kDeviceChannels; ++i)
        period[i] = std::clamp(period[i], -1.0f, 1.0f);
}

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
    std::unique_ptr<rlp::audio::Output> output = rlp::audio::OpenOutput();
    if (output == nullptr) {
        TraceLog(LOG_WARNING, "AUDIO: Failed to initialize playback device");
        return;
    }
    Audio().output = std::move(output);
    rlp::audio::StartFeeding(*Audio().output);
    TraceLog(LOG_INFO, "AUDIO: Device initialized successfully");
    TraceLog(LOG_INFO, "    > Backend:       %s", Audio().output->backend);
    TraceLog(LOG_INFO, "    > Format:        32-bit float -> %s", Audio().output->format);
    TraceLog(LOG_INFO, "    > Channels:      %d -> %d", kDeviceChannels, kDeviceChannels);
    TraceLog(LOG_INFO, "    > Sample rate:   %d -> %d", kDeviceRate, kDeviceRate);
}

void CloseAudioDevice(void)
{
    if (!rlp::audio::DeviceReady()) return;
    rlp::audio::StopFeeding();
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
