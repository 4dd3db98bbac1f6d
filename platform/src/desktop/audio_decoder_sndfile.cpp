// Reading audio files on the desktop, with libsndfile.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "backend/audio_decoder.h"

namespace rlp::audio {

namespace {

// raylib's codes for the decoder behind a Music.
int MusicContext(int container)
{
    constexpr int kWav = 1, kOgg = 2, kFlac = 3, kMp3 = 4;
    switch (container) {
        case SF_FORMAT_WAV:
        case SF_FORMAT_WAVEX:
        case SF_FORMAT_W64:
        case SF_FORMAT_RF64: return kWav;
        case SF_FORMAT_OGG: return kOgg;
        case SF_FORMAT_FLAC: return kFlac;
        case SF_FORMAT_MPEG: return kMp3;
        default: return 0;
    }
}

// A file open in libsndfile.
class SndfileDecoder final : public Decoder {
public:
    SndfileDecoder(SNDFILE *file, const SF_INFO &format) : file_(file), fileChannels_(format.channels)
    {
        channels_ = std::min(format.channels, 2);
        sampleRate_ = format.samplerate;
        frames_ = static_cast<std::uint64_t>(format.frames);
        contextType_ = MusicContext(format.format & SF_FORMAT_TYPEMASK);
    }
    ~SndfileDecoder() override { sf_close(file_); }

    std::uint64_t Read(short *out, std::uint64_t frames) override
    {
        if (frames == 0) return 0;
        // Read as floats, at the level the file holds: asking libsndfile for
        // shorts with its float scaling on would lift a quiet Vorbis or float
        // file to full scale, and without it a float file past 1.0 would wrap.
        const std::size_t wideSamples = static_cast<std::size_t>(frames) * fileChannels_;
        if (wide_.size() < wideSamples) wide_.resize(wideSamples);
        const sf_count_t got = sf_readf_float(file_, wide_.data(), static_cast<sf_count_t>(frames));
        if (got <= 0) return 0;
        // libsndfile reads 16-bit samples as s / 32768, so this gives them back exactly.
        const auto toShort = [](float v) { return short(std::clamp(std::lrint(v * 32768.0f), -32768L, 32767L)); };
        for (sf_count_t f = 0; f < got; ++f)
            for (int c = 0; c < channels_; ++c)
                out[channels_ * f + c] = toShort(wide_[f * fileChannels_ + c]);
        return static_cast<std::uint64_t>(got);
    }

    bool Rewind() override { return sf_seek(file_, 0, SEEK_SET) == 0; }

private:
    SNDFILE *file_;
    int fileChannels_;
    std::vector<float> wide_;  // the file's samples as read, reused from call to call
};

}  // namespace

std::unique_ptr<Decoder> OpenDecoder(int descriptor, const char *path, DecodeFor purpose)
{
    SF_INFO format{};
    SNDFILE *file = sf_open_fd(descriptor, SFM_READ, &format, SF_TRUE);  // closes it, even on failure
    if (file == nullptr) {
        WarnUndecodable(path, purpose, sf_strerror(nullptr));
        return nullptr;
    }
    if (format.channels <= 0 || format.samplerate <= 0 || format.frames <= 0) {
        sf_close(file);
        WarnUndecodable(path, purpose, "no audio frames");
        return nullptr;
    }
    return std::make_unique<SndfileDecoder>(file, format);
}

}  // namespace rlp::audio
