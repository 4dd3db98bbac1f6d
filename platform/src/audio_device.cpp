// The audio device (an OpenAL Soft context on the default output) and the
// registry of the buffers behind live Sound and Music handles.
#include <AL/alc.h>

#include <unordered_set>

#include "audio_internal.h"

namespace {

// The open device and its context (both null while there is no device), and
// every buffer loaded and not yet unloaded.
struct DeviceState {
    ALCdevice *device = nullptr;
    ALCcontext *context = nullptr;
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

}  // namespace

namespace rlp::audio {

bool DeviceReady() { return Audio().context != nullptr; }

void Register(rAudioBuffer *buffer) { Audio().live.insert(buffer); }

void Unregister(rAudioBuffer *buffer) { Audio().live.erase(buffer); }

bool IsRegistered(const rAudioBuffer *buffer)
{
    return buffer != nullptr && Audio().live.count(const_cast<rAudioBuffer *>(buffer)) != 0;
}

bool CreateAlObjects(rAudioBuffer &buffer, int count)
{
    if (!DeviceReady() || count <= 0) return false;
    alGetError();  // start from a clean error state
    ALuint source = 0;
    alGenSources(1, &source);
    if (alGetError() != AL_NO_ERROR) return false;
    std::vector<ALuint> names(static_cast<std::size_t>(count), 0);
    alGenBuffers(count, names.data());
    if (alGetError() != AL_NO_ERROR) {
        alDeleteSources(1, &source);
        return false;
    }
    buffer.source = source;
    buffer.buffers = std::move(names);
    return true;
}

void ReleaseAlObjects(rAudioBuffer &buffer)
{
    if (!DeviceReady()) return;
    if (buffer.source != 0) {
        alSourceStop(buffer.source);
        // Deleting the source detaches its buffers, so they can go next.
        alDeleteSources(1, &buffer.source);
        buffer.source = 0;
    }
    if (!buffer.buffers.empty()) {
        alDeleteBuffers(static_cast<ALsizei>(buffer.buffers.size()), buffer.buffers.data());
        buffer.buffers.clear();
    }
    alGetError();
}

ALenum Pcm16Format(int channels) { return channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16; }

}  // namespace rlp::audio

extern "C" {

void InitAudioDevice(void)
{
    if (rlp::audio::DeviceReady()) {
        TraceLog(LOG_WARNING, "AUDIO: Device already initialized");
        return;
    }
    ALCdevice *device = alcOpenDevice(nullptr);
    if (device == nullptr) {
        TraceLog(LOG_WARNING, "AUDIO: Failed to initialize playback device");
        return;
    }
    ALCcontext *context = alcCreateContext(device, nullptr);
    if (context == nullptr || alcMakeContextCurrent(context) == ALC_FALSE) {
        if (context != nullptr) alcDestroyContext(context);
        alcCloseDevice(device);
        TraceLog(LOG_WARNING, "AUDIO: Failed to initialize playback device");
        return;
    }
    Audio().device = device;
    Audio().context = context;

    ALCint frequency = 0;
    alcGetIntegerv(device, ALC_FREQUENCY, 1, &frequency);
    const ALCchar *name = alcGetString(device, ALC_DEVICE_SPECIFIER);
    TraceLog(LOG_INFO, "AUDIO: Device initialized successfully");
    TraceLog(LOG_INFO, "    > Backend:       OpenAL Soft");
    TraceLog(LOG_INFO, "    > Device:        %s", name != nullptr ? name : "(unknown)");
    TraceLog(LOG_INFO, "    > Sample rate:   %d", frequency);
}

void CloseAudioDevice(void)
{
    if (!rlp::audio::DeviceReady()) return;
    // Handles outlive the device: they keep their memory until unloaded but
    // lose their OpenAL objects, which die with the context.
    for (rAudioBuffer *buffer : Audio().live) {
        if (buffer->stream) rlp::audio::DetachStream(*buffer->stream);
        rlp::audio::ReleaseAlObjects(*buffer);
    }
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(Audio().context);
    alcCloseDevice(Audio().device);
    Audio().context = nullptr;
    Audio().device = nullptr;
    TraceLog(LOG_INFO, "AUDIO: Device closed successfully");
}

bool IsAudioDeviceReady(void) { return rlp::audio::DeviceReady(); }

}  // extern "C"
