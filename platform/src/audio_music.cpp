// Music handles: loading a stream and the play/pause/stop controls over it.
// The streaming itself lives in audio_stream.cpp.
#include <sndfile.h>

#include <algorithm>
#include <climits>

#include "audio_internal.h"

namespace {

using namespace rlp::audio;

// raylib's codes for the decoder behind a Music.
constexpr int kMusicAudioNone = 0;
constexpr int kMusicAudioWav = 1;
constexpr int kMusicAudioOgg = 2;
constexpr int kMusicAudioFlac = 3;
constexpr int kMusicAudioMp3 = 4;

int ContextType(int container)
{
    switch (container) {
        case SF_FORMAT_WAV:
        case SF_FORMAT_WAVEX:
        case SF_FORMAT_W64:
        case SF_FORMAT_RF64: return kMusicAudioWav;
        case SF_FORMAT_OGG: return kMusicAudioOgg;
        case SF_FORMAT_FLAC: return kMusicAudioFlac;
        case SF_FORMAT_MPEG: return kMusicAudioMp3;
        default: return kMusicAudioNone;
    }
}

// The music's buffer when the handle is one LoadMusicStream gave out and
// has not been unloaded.
rAudioBuffer *Live(const Music &music)
{
    rAudioBuffer *buffer = music.stream.buffer;
    if (!IsRegistered(buffer) || !buffer->stream || music.ctxData != buffer->stream->decoder.get()) {
        return nullptr;
    }
    return buffer;
}

// As Live, and the device can play it.
rAudioBuffer *Playable(const Music &music)
{
    rAudioBuffer *buffer = Live(music);
    return buffer != nullptr && DeviceReady() && buffer->source != 0 ? buffer : nullptr;
}

}  // namespace

extern "C" {

Music LoadMusicStream(const char *fileName)
{
    Music music{};
    if (!DeviceReady()) return music;
    std::unique_ptr<Decoder> decoder = Decoder::Open(fileName, DecodeFor::Music);
    if (!decoder) return music;
    if (decoder->Frames() > UINT_MAX) {
        TraceLog(LOG_WARNING, "STREAM: [%s] Music file could not be opened (too long)", fileName);
        return music;
    }

    auto buffer = std::make_unique<rAudioBuffer>();
    if (!CreateAlObjects(*buffer, kStreamBufferCount)) {
        TraceLog(LOG_WARNING, "STREAM: [%s] Failed to create audio stream", fileName);
        return music;
    }
    alSourcei(buffer->source, AL_SOURCE_RELATIVE, AL_TRUE);
    auto stream = std::make_unique<StreamState>();
    stream->chunkFrames = static_cast<std::uint32_t>(std::max(decoder->SampleRate() * kStreamBufferMs / 1000, 64));
    stream->scratch.resize(std::size_t(stream->chunkFrames) * decoder->Channels());
    stream->freeBuffers = buffer->buffers;
    stream->queue.reserve(kStreamBufferCount);
    stream->totalFrames = decoder->Frames();

    music.frameCount = static_cast<unsigned int>(decoder->Frames());
    music.looping = true;
    music.ctxType = ContextType(decoder->Container());
    music.ctxData = decoder.get();
    music.stream.sampleRate = static_cast<unsigned int>(decoder->SampleRate());
    music.stream.sampleSize = 16;
    music.stream.channels = static_cast<unsigned int>(decoder->Channels());
    stream->decoder = std::move(decoder);
    buffer->stream = std::move(stream);
    Register(buffer.get());
    music.stream.buffer = buffer.release();
    TraceLog(LOG_INFO, "STREAM: [%s] Music stream loaded (%u Hz, 16 bit, %u channel(s), %u frames)", fileName,
             music.stream.sampleRate, music.stream.channels, music.frameCount);
    return music;
}

bool IsMusicValid(Music music)
{
    return Live(music) != nullptr && music.frameCount > 0 && music.stream.sampleRate > 0 &&
           music.stream.sampleSize > 0 && music.stream.channels > 0;
}

void UnloadMusicStream(Music music)
{
    rAudioBuffer *buffer = Live(music);
    if (buffer == nullptr) return;
    ReleaseAlObjects(*buffer);
    Unregister(buffer);
    delete buffer;
}

void PlayMusicStream(Music music)
{
    rAudioBuffer *buffer = Playable(music);
    if (buffer == nullptr) return;
    StreamState &s = *buffer->stream;
    if (s.playing && s.paused) {
        ResumeMusicStream(music);
        return;
    }
    if (s.playing) return;
    // The decoder stays where it is: only StopMusicStream rewinds.
    s.playing = true;
    ServiceStream(*buffer, music.looping);
}

bool IsMusicStreamPlaying(Music music)
{
    const rAudioBuffer *buffer = Playable(music);
    return buffer != nullptr && buffer->stream->playing && !buffer->stream->paused;
}

void UpdateMusicStream(Music music)
{
    if (rAudioBuffer *buffer = Playable(music)) ServiceStream(*buffer, music.looping);
}

void StopMusicStream(Music music)
{
    if (rAudioBuffer *buffer = Playable(music)) StopStream(*buffer);
}

void PauseMusicStream(Music music)
{
    rAudioBuffer *buffer = Playable(music);
    if (buffer == nullptr || !buffer->stream->playing || buffer->stream->paused) return;
    alSourcePause(buffer->source);
    buffer->stream->paused = true;
}

void ResumeMusicStream(Music music)
{
    rAudioBuffer *buffer = Playable(music);
    if (buffer == nullptr || !buffer->stream->playing || !buffer->stream->paused) return;
    buffer->stream->paused = false;
    ALint state = AL_STOPPED;
    alGetSourcei(buffer->source, AL_SOURCE_STATE, &state);
    if (state == AL_PAUSED) alSourcePlay(buffer->source);
    ServiceStream(*buffer, music.looping);
}

// The gain stays on the stream's source across pause, stop and play.
void SetMusicVolume(Music music, float volume)
{
    if (rAudioBuffer *buffer = Playable(music)) alSourcef(buffer->source, AL_GAIN, std::clamp(volume, 0.0f, 1.0f));
}

float GetMusicTimeLength(Music music)
{
    if (music.stream.sampleRate == 0) return 0.0f;
    return static_cast<float>(music.frameCount) / static_cast<float>(music.stream.sampleRate);
}

float GetMusicTimePlayed(Music music)
{
    const rAudioBuffer *buffer = Playable(music);
    if (buffer == nullptr) return 0.0f;
    const int rate = buffer->stream->decoder->SampleRate();
    return static_cast<float>(static_cast<double>(HeardFrame(*buffer)) / rate);
}

}  // extern "C"
