// Internals shared by the audio sources: the buffer behind every Sound and
// Music handle, the device state and the registry of live buffers.
#pragma once

#include <AL/al.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "audio_decoder.h"
#include "raylib.h"

namespace rlp::audio {

// How many OpenAL buffers a music stream keeps in flight, and how long each
// one plays: together a few tens of milliseconds, so that a stream that is not
// fed every frame soon falls silent.
constexpr int kStreamBufferCount = 3;
constexpr int kStreamBufferMs = 25;

// One filled OpenAL buffer waiting in (or playing from) a source's queue.
struct QueuedChunk {
    ALuint buffer = 0;
    std::uint64_t start = 0;  // decoder frame of its first sample
    std::uint32_t frames = 0;
};

// What a music stream needs on top of its source: the decoder, the chunks in
// flight and the bookkeeping for the position heard.
struct StreamState {
    std::unique_ptr<Decoder> decoder;
    std::vector<short> scratch;       // one chunk of PCM, reused
    std::vector<ALuint> freeBuffers;  // OpenAL buffers not in the queue
    std::vector<QueuedChunk> queue;   // oldest first
    std::uint32_t chunkFrames = 0;
    std::uint64_t decoderPos = 0;   // next frame the decoder will read
    std::uint64_t totalFrames = 0;  // length used to wrap the position
    std::uint64_t heardEnd = 0;     // decoder frame where the last dequeued chunk ended
    bool playing = false;
    bool paused = false;
    bool drained = false;  // a non-looping decoder reached its end
};

}  // namespace rlp::audio

// The library buffer behind AudioStream::buffer: one OpenAL source with its
// buffers (one for a Sound, a small queue for a Music).
struct rAudioBuffer {
    ALuint source = 0;
    std::vector<ALuint> buffers;
    std::unique_ptr<rlp::audio::StreamState> stream;  // music only
};

namespace rlp::audio {

bool DeviceReady();

// Every buffer created while the device is open is registered, so that
// closing the device can release its OpenAL objects and a handle can be
// checked before use.
void Register(rAudioBuffer *buffer);
void Unregister(rAudioBuffer *buffer);
bool IsRegistered(const rAudioBuffer *buffer);

// Creates the source and `count` buffers; false (with nothing left behind)
// when OpenAL refuses.
bool CreateAlObjects(rAudioBuffer &buffer, int count);
// Stops the source and deletes its OpenAL objects; safe when there are none.
void ReleaseAlObjects(rAudioBuffer &buffer);

// Music streaming (audio_stream.cpp). Service dequeues what the source has
// played, decodes into the freed buffers and keeps the source going; it is
// the only place a stream is fed.
void ServiceStream(rAudioBuffer &buffer, bool looping);
// Stops the source, drops the queue and rewinds the decoder to frame 0.
void StopStream(rAudioBuffer &buffer);
// Decoder frame (within the file) of the sample the device is playing.
std::uint64_t HeardFrame(const rAudioBuffer &buffer);
// Called by the device when it closes: the stream can no longer play.
void DetachStream(StreamState &stream);

// OpenAL format for 16-bit samples with 1 or 2 channels.
ALenum Pcm16Format(int channels);

}  // namespace rlp::audio
