// Sounds: a whole file decoded at load and played by one voice of the mixer,
// so a sound restarts when played again.
#include <algorithm>
#include <climits>
#include <cmath>
#include <memory>

#include "audio_internal.h"

namespace {

using namespace rlp::audio;

// The sound's buffer when the handle is live and the device can play it.
rAudioBuffer *Playable(const Sound &sound)
{
    rAudioBuffer *buffer = sound.stream.buffer;
    if (!DeviceReady() || !IsRegistered(buffer) || buffer->stream) return nullptr;
    return buffer;
}

// Decodes the whole file; empty when it holds no frame or is too long for a
// sound (warned here).
std::vector<short> DecodeAll(Decoder &decoder, const char *path)
{
    constexpr std::uint64_t kChunkFrames = 4096;
    const std::uint64_t channels = static_cast<std::uint64_t>(decoder.Channels());
    const std::uint64_t maxFrames = INT_MAX / (channels * sizeof(short));
    std::vector<short> pcm;
    // Room for the announced length and one more read, so the last read
    // does not double the buffer.
    pcm.reserve(static_cast<std::size_t>((std::min(decoder.Frames(), maxFrames) + kChunkFrames) * channels));
    std::uint64_t total = 0;
    for (;;) {
        if (total + kChunkFrames > maxFrames) {
            TraceLog(LOG_WARNING, "SOUND: [%s] Failed to load sound data (too long for a sound)", path);
            return {};
        }
        pcm.resize(static_cast<std::size_t>((total + kChunkFrames) * channels));
        const std::uint64_t got = decoder.Read(pcm.data() + total * channels, kChunkFrames);
        if (got == 0) break;
        total += got;
    }
    pcm.resize(static_cast<std::size_t>(total * channels));
    if (total == 0) TraceLog(LOG_WARNING, "SOUND: [%s] Failed to load sound data (no audio frames)", path);
    return pcm;
}

}  // namespace

extern "C" {

Sound LoadSound(const char *fileName)
{
    Sound sound{};
    if (!DeviceReady()) return sound;
    std::unique_ptr<Decoder> decoder = Decoder::Open(fileName, DecodeFor::Sound);
    if (!decoder) return sound;
    std::vector<short> pcm = DecodeAll(*decoder, fileName);
    if (pcm.empty()) return sound;
    const int channels = decoder->Channels();

    auto buffer = std::make_unique<rAudioBuffer>();
    buffer->pcm = std::move(pcm);
    buffer->channels = channels;
    buffer->sampleRate = decoder->SampleRate();

    sound.frameCount = static_cast<unsigned int>(buffer->pcm.size() / static_cast<std::size_t>(channels));
    sound.stream.sampleRate = static_cast<unsigned int>(decoder->SampleRate());
    sound.stream.sampleSize = 16;
    sound.stream.channels = static_cast<unsigned int>(channels);
    Register(buffer.get());
    sound.stream.buffer = buffer.release();
    TraceLog(LOG_INFO, "SOUND: [%s] Loaded (%u Hz, 16 bit, %u channel(s), %u frames)", fileName,
             sound.stream.sampleRate, sound.stream.channels, sound.frameCount);
    return sound;
}

bool IsSoundValid(Sound sound)
{
    const rAudioBuffer *buffer = sound.stream.buffer;
    return IsRegistered(buffer) && !buffer->stream && sound.frameCount > 0 && sound.stream.sampleRate > 0 &&
           sound.stream.sampleSize > 0 && sound.stream.channels > 0;
}

void UnloadSound(Sound sound)
{
    rAudioBuffer *buffer = sound.stream.buffer;
    // Unknown pointers (never loaded, or already unloaded) are left alone.
    if (!IsRegistered(buffer) || buffer->stream) return;
    Unregister(buffer);
    delete buffer;
}

void PlaySound(Sound sound)
{
    rAudioBuffer *buffer = Playable(sound);
    if (buffer == nullptr) return;
    // From the start, so a playing sound restarts rather than carries on.
    std::lock_guard<std::mutex> hold(Lock());
    buffer->cursor = 0.0;
    buffer->playing = true;
}

// Like a music's, the volume stays with the sound across plays.
void SetSoundVolume(Sound sound, float volume)
{
    rAudioBuffer *buffer = Playable(sound);
    if (buffer == nullptr || std::isnan(volume)) return;
    std::lock_guard<std::mutex> hold(Lock());
    buffer->volume = std::clamp(volume, 0.0f, 1.0f);
}

void SetSoundPan(Sound sound, float pan)
{
    rAudioBuffer *buffer = Playable(sound);
    if (buffer == nullptr || std::isnan(pan)) return;
    std::lock_guard<std::mutex> hold(Lock());
    buffer->pan = std::clamp(pan, 0.0f, 1.0f);
}

void StopSound(Sound sound)
{
    rAudioBuffer *buffer = Playable(sound);
    if (buffer == nullptr) return;
    std::lock_guard<std::mutex> hold(Lock());
    buffer->playing = false;
    buffer->cursor = 0.0;
}

bool IsSoundPlaying(Sound sound)
{
    rAudioBuffer *buffer = Playable(sound);
    if (buffer == nullptr) return false;
    std::lock_guard<std::mutex> hold(Lock());
    return buffer->playing;
}

}  // extern "C"
