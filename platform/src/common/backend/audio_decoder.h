// Decoding of audio files, shared by sounds and music. Finding the file and
// the warnings are shared; the decoding is the system's: libsndfile on the
// desktop, the page's decoder in the browser (OpenDecoder, in each backend
// folder).
#pragma once

#include <cstdint>
#include <memory>

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
    // is missing, empty or not audio that the system can decode.
    static std::unique_ptr<Decoder> Open(const char *path, DecodeFor purpose);
    virtual ~Decoder() = default;
    Decoder(const Decoder &) = delete;
    Decoder &operator=(const Decoder &) = delete;

    // Reads up to `frames` frames into `out` (frames x Channels() samples);
    // returns how many were read, 0 at the end of the file or on an error.
    virtual std::uint64_t Read(short *out, std::uint64_t frames) = 0;
    // Goes back to the first frame; false when the file cannot seek.
    virtual bool Rewind() = 0;

    int Channels() const { return channels_; }
    int SampleRate() const { return sampleRate_; }
    // Length announced by the file's header; the data may end sooner.
    std::uint64_t Frames() const { return frames_; }
    // raylib's code for the decoder behind a Music (MUSIC_AUDIO_WAV, ...).
    int ContextType() const { return contextType_; }

protected:
    Decoder() = default;

    int channels_ = 0;
    int sampleRate_ = 0;
    std::uint64_t frames_ = 0;
    int contextType_ = 0;
};

// Shared: raylib's warning for a file that is there but cannot be played.
void WarnUndecodable(const char *path, DecodeFor purpose, const char *reason);

// Backend: a decoder for the regular, non-empty file at `path`, open for
// reading as `descriptor`, which it closes; null after one warning
// (WarnUndecodable) when the file is not audio it can decode.
std::unique_ptr<Decoder> OpenDecoder(int descriptor, const char *path, DecodeFor purpose);

}  // namespace rlp::audio
