// A WAV file's samples read as 16-bit integers, from the integer (8, 16, 24
// and 32-bit) and float (32 and 64-bit) PCM that WAV files hold, plain or
// WAVE_FORMAT_EXTENSIBLE. Converted exactly as libsndfile's float path on
// Linux does, so a sound plays at the same level on both.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rlp::audio {

class WavReader {
public:
    // Reads the header of the file open as `descriptor` (binary, at its
    // start), which the reader then owns; null and why when it is no WAV it
    // can read, the descriptor closed.
    static std::unique_ptr<WavReader> Open(int descriptor, std::string *why);
    ~WavReader();
    WavReader(const WavReader &) = delete;
    WavReader &operator=(const WavReader &) = delete;

    // Up to `frames` frames of the file's first `keep` channels into `out`;
    // how many were read, 0 at the end of the data.
    std::uint64_t Read(short *out, std::uint64_t frames, int keep);
    bool Rewind();

    int channels = 0;
    int sampleRate = 0;
    std::uint64_t frames = 0;

private:
    WavReader() = default;
    short Sample(const unsigned char *bytes) const;

    int descriptor_ = -1;
    bool float_ = false;
    int bytesPerSample_ = 0;
    std::int64_t dataStart_ = 0;
    std::uint64_t framesRead_ = 0;
    std::vector<unsigned char> raw_;  // the bytes of the last read, reused
};

}  // namespace rlp::audio
