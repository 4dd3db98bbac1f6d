// The decoding that LoadSound and LoadMusicStream do before they need the
// audio device: open the file, read every frame, and for music rewind and
// read again as a looping stream does.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "backend/audio_decoder.h"

namespace fuzz {

inline void DecodeAudio(const char *path, rlp::audio::DecodeFor purpose)
{
    using rlp::audio::Decoder;
    std::unique_ptr<Decoder> decoder = Decoder::Open(path, purpose);
    if (!decoder) return;
    if (decoder->Channels() < 1 || decoder->Channels() > 2 || decoder->SampleRate() <= 0) std::abort();
    constexpr std::uint64_t kChunkFrames = 4096;
    // A few seconds are plenty to exercise the decoder; a header may
    // announce far more than the input could ever hold.
    constexpr std::uint64_t kMaxFrames = 1 << 20;
    std::vector<short> pcm(kChunkFrames * 2);
    const int passes = purpose == rlp::audio::DecodeFor::Music ? 2 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        if (pass > 0 && !decoder->Rewind()) return;
        std::uint64_t total = 0;
        while (total < kMaxFrames) {
            const std::uint64_t got = decoder->Read(pcm.data(), kChunkFrames);
            if (got > kChunkFrames) std::abort();
            if (got == 0) break;
            total += got;
        }
    }
}

}  // namespace fuzz
