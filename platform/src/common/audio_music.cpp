// Music handles: loading a stream and the play/pause/stop controls over it.
// The streaming itself lives in audio_stream.cpp.

#include <algorithm>
#include <climits>
#include <cmath>

#include "audio_internal.h"

namespace {

using namespace rlp::audio;

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
    return buffer != nullptr && DeviceReady() ? buffer : nullptr;
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
    buffer->channels = decoder->Channels();
    buffer->sampleRate = decoder->SampleRate();
    auto stream = std::make_unique<StreamState>();
    stream->chunkFrames = static_cast<std::uint32_t>(std::max(decoder->SampleRate() * kStreamBufferMs / 1000, 64));
    stream->scratch.resize(std::size_t(stream->chunkFrames) * decoder->Channels());
    for (StreamChunk &chunk : stream->chunks)
        chunk.pcm.resize(stream->scratch.size());
    stream->totalFrames = decoder->Frames();

    music.frameCount = static_cast<unsigned int>(decoder->Frames());
    music.looping = true;
    music.ctxType = decoder->ContextType();
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
    Unregister(buffer);
    delete buffer;
}

void PlayMusicStream(Music music)
{
    rAudioBuffer *buffer = Playable(music);
    if (buffer == nullptr) return;
    {
        std::lock_guard<std::mutex> hold(Lock());
        if (buffer->playing && !buffer->paused) return;
        // The decoder stays where it is: only StopMusicStream rewinds.
        buffer->playing = true;
        buffer->paused = false;
    }
    ServiceStream(*buffer, music.looping);
}

bool IsMusicStreamPlaying(Music music)
{
    const rAudioBuffer *buffer = Playable(music);
    if (buffer == nullptr) return false;
    std::lock_guard<std::mutex> hold(Lock());
    return buffer->playing && !buffer->paused;
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
    if (buffer == nullptr) return;
    std::lock_guard<std::mutex> hold(Lock());
    if (buffer->playing) buffer->paused = true;
}

void ResumeMusicStream(Music music)
{
    rAudioBuffer *buffer = Playable(music);
    if (buffer == nullptr) return;
    {
        std::lock_guard<std::mutex> hold(Lock());
        if (!buffer->playing || !buffer->paused) return;
        buffer->paused = false;
    }
    ServiceStream(*buffer, music.looping);
}

// The volume stays with the stream across pause, stop and play.
void SetMusicVolume(Music music, float volume)
{
    rAudioBuffer *buffer = Playable(music);
    if (buffer == nullptr || std::isnan(volume)) return;
    std::lock_guard<std::mutex> hold(Lock());
    buffer->volume = std::clamp(volume, 0.0f, 1.0f);
}

void SetMusicPan(Music music, float pan)
{
    rAudioBuffer *buffer = Playable(music);
    if (buffer == nullptr || std::isnan(pan)) return;
    std::lock_guard<std::mutex> hold(Lock());
    buffer->pan = std::clamp(pan, 0.0f, 1.0f);
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
