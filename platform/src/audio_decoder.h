// Decoding of audio files through libsndfile (in the browser, the page's
// decoder), shared by sounds and music.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct sf_private_tag;

namespace rlp::audio {

// Who asks for a file: decides the wording of the warning when it fails.
enum class DecodeFor {
    Sound,
    Music
};

// An open audio file read as interleaved 16-bit PCM of at most two channels
// (wider files keep their first two, the front left and right).
class Decoder {
public:
    // Opens the file, logging exactly one warning and returning null when it
    // is missing, empty or not audio that libsndfile can read.
    static std::unique_ptr<Decoder> Open(const char *path, DecodeFor purpose);
    ~Decoder();
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    // Reads up to `frames` frames into `out` (frames x Channels() samples);
    // returns how many were read, 0 at the end of the file or on an error.
    std::uint64_t Read(short *out, std::uint64_t frames);
    // Goes back to the first frame; false when the file cannot seek.
    bool Rewind();

    int Channels() const { return channels_; }
    int SampleRate() const { return sampleRate_; }
    // Length announced by the file's header; the data may end sooner.
    std::uint64_t Frames() const { return frames_; }
    // raylib's code for the decoder behind a Music (MUSIC_AUDIO_WAV, ...).
    int ContextType() const { return contextType_; }

private:
    Decoder() = default;

    [[maybe_unused]] sf_private_tag *file_ = nullptr;
    int fileChannels_ = 0;
    int channels_ = 0;
    int sampleRate_ = 0;
    std::uint64_t frames_ = 0;
    int contextType_ = 0;
#ifdef __EMSCRIPTEN__
    int decoded_ = -1;  // the page's decoded copy of the file
    std::uint64_t position_ = 0;
#endif
    std::vector<float> wide_;  // the file's samples as read, reused from call to call
};

}  // namespace rlp::audio
