// Reading audio files on Windows: WAV through the layer's own reader
// (wav_reader.h), MP3 through libmpg123, both at the level the file holds.
#include <io.h>
#include <mpg123.h>

#include <array>
#include <cstring>

#include "backend/audio_decoder.h"
#include "wav_reader.h"

namespace rlp::audio {

namespace {

constexpr int kMusicWav = 1, kMusicMp3 = 4;  // raylib's codes for the decoder behind a Music

// A WAV file read by WavReader, which owns the descriptor.
class WavDecoder final : public Decoder {
public:
    explicit WavDecoder(std::unique_ptr<WavReader> reader) : reader_(std::move(reader))
    {
        channels_ = std::min(reader_->channels, 2);
        sampleRate_ = reader_->sampleRate;
        frames_ = reader_->frames;
        contextType_ = kMusicWav;
    }
    std::uint64_t Read(short *out, std::uint64_t frames) override { return reader_->Read(out, frames, channels_); }
    bool Rewind() override { return reader_->Rewind(); }

private:
    std::unique_ptr<WavReader> reader_;
};

// An MPEG audio file open in libmpg123, decoded to 16-bit samples; mono
// stays mono.
class Mp3Decoder final : public Decoder {
public:
    Mp3Decoder(mpg123_handle *handle, int descriptor, long rate, int channels, off_t length)
        : handle_(handle), descriptor_(descriptor)
    {
        channels_ = channels;
        sampleRate_ = int(rate);
        frames_ = std::uint64_t(length);
        contextType_ = kMusicMp3;
    }
    ~Mp3Decoder() override
    {
        mpg123_delete(handle_);
        _close(descriptor_);
    }

    std::uint64_t Read(short *out, std::uint64_t frames) override
    {
        const std::size_t frameBytes = sizeof(short) * std::size_t(channels_);
        std::size_t total = 0;
        while (total < frames) {
            std::size_t done = 0;
            const int result = mpg123_read(handle_, reinterpret_cast<unsigned char *>(out + total * channels_),
                                           (frames - total) * frameBytes, &done);
            total += done / frameBytes;
            if (result != MPG123_OK && result != MPG123_NEW_FORMAT) break;
            if (done == 0 && result == MPG123_OK) break;
        }
        return total;
    }

    bool Rewind() override { return mpg123_seek(handle_, 0, SEEK_SET) == 0; }

private:
    mpg123_handle *handle_;
    int descriptor_;
};

std::unique_ptr<Decoder> OpenMp3(int descriptor, const char *path, DecodeFor purpose)
{
    int error = MPG123_OK;
    mpg123_handle *handle = mpg123_new(nullptr, &error);
    const auto fail = [&](const char *reason) -> std::unique_ptr<Decoder> {
        if (handle != nullptr) mpg123_delete(handle);
        _close(descriptor);
        WarnUndecodable(path, purpose, reason);
        return nullptr;
    };
    if (handle == nullptr) return fail(mpg123_plain_strerror(error));
    // Quiet: the layer says what went wrong in its own one line.
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_open_fd(handle, descriptor) != MPG123_OK ||
        mpg123_getformat(handle, &rate, &channels, &encoding) != MPG123_OK)
        return fail("not a file mpg123 can decode");
    // Its own rate and channels, as 16-bit integers.
    mpg123_format_none(handle);
    if (mpg123_format(handle, rate, channels, MPG123_ENC_SIGNED_16) != MPG123_OK)
        return fail("an unsupported MPEG format");
    mpg123_scan(handle);
    const off_t length = mpg123_length(handle);
    if (length <= 0 || channels <= 0 || rate <= 0) return fail("no audio frames");
    return std::make_unique<Mp3Decoder>(handle, descriptor, rate, channels, length);
}

}  // namespace

std::unique_ptr<Decoder> OpenDecoder(int descriptor, const char *path, DecodeFor purpose)
{
    std::array<char, 12> head{};
    const bool riff = _read(descriptor, head.data(), unsigned(head.size())) == int(head.size()) &&
                      std::memcmp(head.data(), "RIFF", 4) == 0 && std::memcmp(head.data() + 8, "WAVE", 4) == 0;
    _lseeki64(descriptor, 0, SEEK_SET);
    if (!riff) return OpenMp3(descriptor, path, purpose);
    std::string reason;
    std::unique_ptr<WavReader> reader = WavReader::Open(descriptor, &reason);  // owns the descriptor
    if (reader == nullptr) {
        WarnUndecodable(path, purpose, reason.c_str());
        return nullptr;
    }
    return std::make_unique<WavDecoder>(std::move(reader));
}

}  // namespace rlp::audio
