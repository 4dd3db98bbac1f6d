// Reading audio files in the page: the page decodes every sound file when it
// loads, with the browser's own decoder, and the layer reads that copy.
#include <strings.h>

#include <algorithm>
#include <cstring>

#include "backend/audio_decoder.h"
#include "backend/files.h"
#include "web.h"

namespace rlp::audio {

namespace {

// raylib's codes for the decoder behind a Music, from the file's name, as
// raylib itself picks the decoder.
int MusicContext(const char *path)
{
    const char *dot = std::strrchr(path, '.');
    if (dot == nullptr) return 0;
    if (strcasecmp(dot, ".wav") == 0) return 1;
    if (strcasecmp(dot, ".ogg") == 0) return 2;
    if (strcasecmp(dot, ".flac") == 0) return 3;
    if (strcasecmp(dot, ".mp3") == 0) return 4;
    return 0;
}

// The page's decoded copy of one file, read from a position of our own. The
// page keeps the copy for the next load of the same file.
class PageDecoder final : public Decoder {
public:
    PageDecoder(int decoded, int channels, int rate, double frames, const char *path) : decoded_(decoded)
    {
        channels_ = std::min(channels, 2);
        sampleRate_ = rate;
        frames_ = static_cast<std::uint64_t>(frames);
        contextType_ = MusicContext(path);
    }

    std::uint64_t Read(short *out, std::uint64_t frames) override
    {
        const std::uint64_t left = frames_ > position_ ? frames_ - position_ : 0;
        const int want = int(std::min<std::uint64_t>({frames, left, 1u << 20}));
        if (want <= 0) return 0;
        const int got = rlp_web_decoded_read(decoded_, double(position_), want, out);
        position_ += std::uint64_t(std::max(got, 0));
        return std::uint64_t(std::max(got, 0));
    }

    bool Rewind() override
    {
        position_ = 0;
        return true;
    }

private:
    int decoded_;  // the page's id for its copy
    std::uint64_t position_ = 0;
};

}  // namespace

std::unique_ptr<Decoder> OpenDecoder(int descriptor, const char *path, DecodeFor purpose)
{
    files::Close(descriptor);
    int channels = 0, rate = 0;
    double frames = 0;
    const int decoded = rlp_web_decoded_open(path, &channels, &rate, &frames);
    if (decoded < 0) {
        WarnUndecodable(path, purpose, "the browser could not decode it");
        return nullptr;
    }
    if (channels <= 0 || rate <= 0 || frames <= 0) {
        WarnUndecodable(path, purpose, "no audio frames");
        return nullptr;
    }
    return std::make_unique<PageDecoder>(decoded, channels, rate, frames, path);
}

}  // namespace rlp::audio
