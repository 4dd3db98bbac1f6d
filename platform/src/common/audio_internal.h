// Internals shared by the audio sources: the buffer behind every Sound and
// Music handle, the device state and the registry of live buffers.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "backend/audio_decoder.h"
#include "backend/audio_output.h"
#include "raylib.h"

namespace rlp::audio {

// How long each chunk of a music stream plays. With the chunks it keeps
// decoded ahead of the mixer (StreamChunks) a few tens of milliseconds, so
// that a stream that is not fed every frame soon falls silent.
constexpr int kStreamBufferMs = 25;

// One decoded chunk of a music stream, waiting in (or playing from) its queue.
struct StreamChunk {
    std::vector<short> pcm;   // chunkFrames x channels, allocated at load
    std::uint64_t start = 0;  // decoder frame of its first sample
    std::uint32_t frames = 0;
};

// What a music stream needs on top of a voice. The decoder side is touched
// by the game's thread only; the queue is shared with the mixer under Lock().
struct StreamState {
    // Decoder side.
    std::unique_ptr<Decoder> decoder;
    std::vector<short> scratch;  // one chunk of PCM, decoded before it is queued
    std::uint32_t chunkFrames = 0;
    std::uint64_t decoderPos = 0;   // next frame the decoder will read
    std::uint64_t totalFrames = 0;  // length used to wrap the position
    bool drained = false;           // a non-looping decoder reached its end
    // Queue, oldest first from `head`; the mixer reads the oldest.
    std::vector<StreamChunk> chunks = std::vector<StreamChunk>(std::size_t(StreamChunks()));
    int head = 0;
    int count = 0;
    std::uint64_t heardEnd = 0;  // decoder frame where the last chunk played ended
};

}  // namespace rlp::audio

// The library buffer behind AudioStream::buffer: one voice of the mixer,
// playing either a whole decoded sound or a music stream's queue. Every field
// below `channels` is shared with the mixer thread and guarded by Lock().
struct rAudioBuffer {
    std::vector<short> pcm;  // a sound's frames; empty for music
    int channels = 1;
    int sampleRate = 0;
    double cursor = 0.0;  // in source frames, from the sound's start or the head chunk's
    float volume = 1.0f;
    float pan = 0.5f;  // 0 right, 0.5 centre, 1 left
    bool playing = false;
    bool paused = false;
    std::unique_ptr<rlp::audio::StreamState> stream;  // music only
};

namespace rlp::audio {

bool DeviceReady();

// Guards what the mixer thread reads: the registry and every voice's state.
std::mutex &Lock();

// Every buffer loaded is registered, so that the mixer finds the voices to
// play and a handle can be checked before use. Both take Lock() themselves.
void Register(rAudioBuffer *buffer);
void Unregister(rAudioBuffer *buffer);
bool IsRegistered(const rAudioBuffer *buffer);

// Adds every playing voice of the registry into `out` (frames x 2 floats,
// zeroed by the caller) and moves the voices on; a sound that reaches its
// end stops, a stream that runs dry waits silent for more. Then the attached
// mixed processors see the sum, in the order attached. Lock() is held.
void MixRegistered(float *out, int frames);
// The same for one voice, at the device rate, through the pan law: each
// side gets 0.5 p (3 - p^2) of the volume, p being the pan for the left and
// 1 - pan for the right, so a centred voice plays at 0.6875 on each.
void MixVoice(rAudioBuffer &voice, float *out, int frames);
float PanLevel(float p);

// Music streaming (audio_stream.cpp). Service decodes into the chunks the
// mixer has finished and keeps the stream queued; it is the only place a
// stream is fed.
void ServiceStream(rAudioBuffer &buffer, bool looping);
// Stops the voice, drops the queue and rewinds the decoder to frame 0.
void StopStream(rAudioBuffer &buffer);
// Decoder frame (within the file) of the sample the mixer is playing.
std::uint64_t HeardFrame(const rAudioBuffer &buffer);
// Drops whatever a voice was playing; called when the device closes.
void Silence(rAudioBuffer &buffer);

}  // namespace rlp::audio
