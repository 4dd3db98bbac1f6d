// The software mixer: every playing voice is converted to the device's rate
// (linear interpolation) and layout (mono to both sides) and summed, as
// raylib's own mixer does, so one output stream carries the whole game.
#include <algorithm>

#include "audio_internal.h"

namespace rlp::audio {

namespace {

constexpr float kSampleScale = 1.0f / 32768.0f;

// A voice's level on each side: volume, pan law and the 16-bit scale.
struct Gains {
    float left, right;
};

// Adds one interpolated frame, `t` of the way from frame a to frame b.
inline void AddFrame(float *out, const short *a, const short *b, double t, int channels, Gains gain)
{
    const float w = static_cast<float>(t);
    const float left = static_cast<float>(a[0]) + (static_cast<float>(b[0]) - a[0]) * w;
    const float right = channels == 2 ? static_cast<float>(a[1]) + (static_cast<float>(b[1]) - a[1]) * w : left;
    out[0] += left * gain.left;
    out[1] += right * gain.right;
}

void MixSound(rAudioBuffer &v, float *out, int frames, double step, Gains gain)
{
    const int ch = v.channels;
    const std::size_t n = v.pcm.size() / static_cast<std::size_t>(ch);
    for (int f = 0; f < frames; ++f) {
        const std::size_t i = static_cast<std::size_t>(v.cursor);
        if (i >= n) {
            v.playing = false;
            v.cursor = 0.0;
            return;
        }
        const std::size_t j = std::min(i + 1, n - 1);
        AddFrame(out + 2 * f, &v.pcm[i * ch], &v.pcm[j * ch], v.cursor - double(i), ch, gain);
        v.cursor += step;
    }
}

void MixStream(rAudioBuffer &v, float *out, int frames, double step, Gains gain)
{
    StreamState &s = *v.stream;
    const int ch = v.channels;
    for (int f = 0; f < frames; ++f) {
        // Chunks played through are handed back to the decoder side.
        while (s.count > 0 && v.cursor >= s.chunks[s.head].frames) {
            const StreamChunk &done = s.chunks[s.head];
            v.cursor -= done.frames;
            s.heardEnd = done.start + done.frames;
            s.head = (s.head + 1) % int(s.chunks.size());
            --s.count;
        }
        if (s.count == 0) {
            // Run dry: wait, silent, for UpdateMusicStream to feed it again.
            v.cursor = 0.0;
            return;
        }
        const StreamChunk &chunk = s.chunks[s.head];
        const std::size_t i = static_cast<std::size_t>(v.cursor);
        const short *a = &chunk.pcm[i * ch];
        const short *b = a;
        if (i + 1 < chunk.frames) {
            b = a + ch;
        } else if (s.count > 1) {
            b = s.chunks[(s.head + 1) % int(s.chunks.size())].pcm.data();
        }
        AddFrame(out + 2 * f, a, b, v.cursor - double(i), ch, gain);
        v.cursor += step;
    }
}

}  // namespace

float PanLevel(float p) { return 0.5f * p * (3.0f - p * p); }

void MixVoice(rAudioBuffer &voice, float *out, int frames)
{
    if (!voice.playing || voice.paused || voice.sampleRate <= 0) return;
    const double step = static_cast<double>(voice.sampleRate) / kDeviceRate;
    const float level = voice.volume * kSampleScale;
    const Gains gain{level * PanLevel(voice.pan), level * PanLevel(1.0f - voice.pan)};
    if (voice.stream) {
        MixStream(voice, out, frames, step, gain);
    } else {
        MixSound(voice, out, frames, step, gain);
    }
}

}  // namespace rlp::audio
