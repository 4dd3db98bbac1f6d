// Feeding a music stream: a short queue of decoded chunks refilled from the
// decoder by UpdateMusicStream as the mixer plays them, and the position
// heard derived from it.
#include <algorithm>
#include <cstring>

#include "audio_internal.h"

namespace rlp::audio {

namespace {

// Decodes up to one chunk into the scratch buffer, going back to the start at
// the end of the file when looping so the seam falls inside the chunk.
std::uint32_t DecodeChunk(StreamState &s, bool looping)
{
    const int channels = s.decoder->Channels();
    std::uint32_t produced = 0;
    while (produced < s.chunkFrames && !s.drained) {
        const std::uint64_t got =
            s.decoder->Read(s.scratch.data() + std::size_t(produced) * channels, s.chunkFrames - produced);
        if (got > 0) {
            produced += static_cast<std::uint32_t>(got);
            s.decoderPos += got;
            continue;
        }
        // The data ended: its true length may differ from the header's.
        if (s.decoderPos > 0) s.totalFrames = s.decoderPos;
        // A file that yields nothing right after a rewind would loop forever.
        if (!looping || s.decoderPos == 0 || !s.decoder->Rewind()) {
            s.drained = true;
            break;
        }
        s.decoderPos = 0;
    }
    return produced;
}

// How many chunks are queued, read under the lock.
int Queued(const StreamState &s)
{
    std::lock_guard<std::mutex> hold(Lock());
    return s.count;
}

}  // namespace

void ServiceStream(rAudioBuffer &buffer, bool looping)
{
    StreamState &s = *buffer.stream;
    {
        std::lock_guard<std::mutex> hold(Lock());
        if (!buffer.playing || buffer.paused) return;
    }
    // Decoding happens outside the lock; only the copy into a free chunk,
    // which the mixer does not read until it is counted, is shared.
    while (!s.drained && Queued(s) < int(s.chunks.size())) {
        const std::uint64_t start = s.decoderPos;
        const std::uint32_t frames = DecodeChunk(s, looping);
        if (frames == 0) break;
        std::lock_guard<std::mutex> hold(Lock());
        StreamChunk &chunk = s.chunks[(s.head + s.count) % int(s.chunks.size())];
        std::memcpy(chunk.pcm.data(), s.scratch.data(), std::size_t(frames) * buffer.channels * sizeof(short));
        chunk.start = start;
        chunk.frames = frames;
        ++s.count;
    }
    // A non-looping stream ends once its last chunk has been heard.
    if (s.drained && Queued(s) == 0) StopStream(buffer);
}

void StopStream(rAudioBuffer &buffer)
{
    StreamState &s = *buffer.stream;
    {
        std::lock_guard<std::mutex> hold(Lock());
        Silence(buffer);
    }
    s.drained = !s.decoder->Rewind();
    if (s.drained) TraceLog(LOG_WARNING, "STREAM: Music stream could not be rewound");
    s.decoderPos = 0;
}

std::uint64_t HeardFrame(const rAudioBuffer &buffer)
{
    const StreamState &s = *buffer.stream;
    std::uint64_t pos = 0;
    {
        std::lock_guard<std::mutex> hold(Lock());
        pos = s.count > 0 ? s.chunks[s.head].start + static_cast<std::uint64_t>(buffer.cursor) : s.heardEnd;
    }
    return s.totalFrames > 0 ? pos % s.totalFrames : 0;
}

void Silence(rAudioBuffer &buffer)
{
    buffer.playing = false;
    buffer.paused = false;
    buffer.cursor = 0.0;
    if (StreamState *s = buffer.stream.get()) {
        s->head = 0;
        s->count = 0;
        s->heardEnd = 0;
    }
}

}  // namespace rlp::audio
