// Feeding a music stream: a short queue of OpenAL buffers refilled from the
// decoder by UpdateMusicStream, and the position heard derived from it.
#include <algorithm>
#include <array>

#include "audio_internal.h"

namespace rlp::audio {

namespace {

// Takes the `count` oldest chunks off the source's queue and frees their
// buffers for refilling; the end of the last one is what has been heard.
void Dequeue(StreamState &s, ALuint source, std::size_t count)
{
    count = std::min(count, s.queue.size());
    if (count == 0) return;
    std::array<ALuint, kStreamBufferCount> ids{};
    for (std::size_t i = 0; i < count; ++i) {
        ids[i] = s.queue[i].buffer;
        s.heardEnd = s.queue[i].start + s.queue[i].frames;
    }
    alSourceUnqueueBuffers(source, static_cast<ALsizei>(count), ids.data());
    s.freeBuffers.insert(s.freeBuffers.end(), ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(count));
    s.queue.erase(s.queue.begin(), s.queue.begin() + static_cast<std::ptrdiff_t>(count));
}

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

ALint SourceState(ALuint source)
{
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state;
}

}  // namespace

void ServiceStream(rAudioBuffer &buffer, bool looping)
{
    StreamState &s = *buffer.stream;
    if (!s.playing || s.paused || buffer.source == 0) return;

    // A stopped source has run dry: everything queued was played.
    ALint played = 0;
    if (SourceState(buffer.source) == AL_STOPPED) {
        played = static_cast<ALint>(s.queue.size());
    } else {
        alGetSourcei(buffer.source, AL_BUFFERS_PROCESSED, &played);
    }
    Dequeue(s, buffer.source, static_cast<std::size_t>(std::max(played, 0)));

    std::array<ALuint, kStreamBufferCount> batch{};
    std::size_t fresh = 0;
    const ALenum format = Pcm16Format(s.decoder->Channels());
    while (!s.freeBuffers.empty() && !s.drained) {
        const std::uint64_t start = s.decoderPos;
        const std::uint32_t frames = DecodeChunk(s, looping);
        if (frames == 0) break;
        const ALuint id = s.freeBuffers.back();
        s.freeBuffers.pop_back();
        alBufferData(id, format, s.scratch.data(),
                     static_cast<ALsizei>(std::size_t(frames) * s.decoder->Channels() * sizeof(short)),
                     s.decoder->SampleRate());
        s.queue.push_back(QueuedChunk{id, start, frames});
        batch[fresh++] = id;
    }
    // One call, so the mixer sees the whole batch at once.
    if (fresh > 0) alSourceQueueBuffers(buffer.source, static_cast<ALsizei>(fresh), batch.data());

    const ALint state = SourceState(buffer.source);
    if (state == AL_STOPPED) {
        // It ran dry while we decoded: the older chunks were all played, and
        // playing again must start at the fresh ones.
        Dequeue(s, buffer.source, s.queue.size() - fresh);
    }
    if ((state == AL_STOPPED || state == AL_INITIAL) && !s.queue.empty()) alSourcePlay(buffer.source);
    // A non-looping stream ends once its last chunk has been heard.
    if (s.drained && s.queue.empty()) StopStream(buffer);
}

void StopStream(rAudioBuffer &buffer)
{
    StreamState &s = *buffer.stream;
    if (buffer.source != 0) {
        alSourceStop(buffer.source);
        Dequeue(s, buffer.source, s.queue.size());
        alSourceRewind(buffer.source);
    }
    s.playing = false;
    s.paused = false;
    s.drained = !s.decoder->Rewind();
    if (s.drained) TraceLog(LOG_WARNING, "STREAM: Music stream could not be rewound");
    s.decoderPos = 0;
    s.heardEnd = 0;
}

std::uint64_t HeardFrame(const rAudioBuffer &buffer)
{
    const StreamState &s = *buffer.stream;
    std::uint64_t pos = s.heardEnd;
    if (!s.queue.empty() && buffer.source != 0) {
        pos = s.queue.back().start + s.queue.back().frames;
        if (SourceState(buffer.source) != AL_STOPPED) {
            // The offset counts from the head of the queue, across chunks.
            ALint offset = 0;
            alGetSourcei(buffer.source, AL_SAMPLE_OFFSET, &offset);
            std::uint64_t remaining = static_cast<std::uint64_t>(std::max(offset, 0));
            for (const QueuedChunk &chunk : s.queue) {
                if (remaining < chunk.frames) {
                    pos = chunk.start + remaining;
                    break;
                }
                remaining -= chunk.frames;
            }
        }
    }
    return s.totalFrames > 0 ? pos % s.totalFrames : 0;
}

void DetachStream(StreamState &stream)
{
    stream.queue.clear();
    stream.freeBuffers.clear();
    stream.playing = false;
    stream.paused = false;
    stream.heardEnd = 0;
}

}  // namespace rlp::audio
