// Opening and reading audio files with libsndfile, with the warnings raylib
// gives for files it cannot use.
#include "audio_decoder.h"

#include <fcntl.h>
#ifndef __EMSCRIPTEN__
#include <sndfile.h>
#endif
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include "raylib.h"
#ifdef __EMSCRIPTEN__
#include <cstring>

#include "web/web.h"
#endif

namespace rlp::audio {

namespace {

void WarnUndecodable(const char *path, DecodeFor purpose, const char *reason)
{
    if (purpose == DecodeFor::Sound) {
        TraceLog(LOG_WARNING, "SOUND: [%s] Failed to load sound data (%s)", path, reason);
    } else {
        TraceLog(LOG_WARNING, "STREAM: [%s] Music file could not be opened (%s)", path, reason);
    }
}

#ifdef __EMSCRIPTEN__
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
#else
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
#endif

}  // namespace

std::unique_ptr<Decoder> Decoder::Open(const char *path, DecodeFor purpose)
{
    if (path == nullptr || path[0] == '\0') {
        TraceLog(LOG_WARNING, "FILEIO: File name provided is not valid");
        return nullptr;
    }
    // Opening the descriptor ourselves separates "no such file" from "not
    // audio", which libsndfile reports alike.
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0) close(fd);
        TraceLog(LOG_WARNING, "FILEIO: [%s] Failed to open file", path);
        return nullptr;
    }
    if (info.st_size == 0) {
        close(fd);
        TraceLog(LOG_WARNING, "FILEIO: [%s] Failed to read file", path);
        return nullptr;
    }

#ifdef __EMSCRIPTEN__
    close(fd);
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
    std::unique_ptr<Decoder> decoder(new Decoder());
    decoder->decoded_ = decoded;
    decoder->fileChannels_ = channels;
    decoder->channels_ = std::min(channels, 2);
    decoder->sampleRate_ = rate;
    decoder->frames_ = static_cast<std::uint64_t>(frames);
    decoder->contextType_ = MusicContext(path);
    return decoder;
}

// The page keeps its decoded copy for the next load of the same file.
Decoder::~Decoder() = default;

std::uint64_t Decoder::Read(short *out, std::uint64_t frames)
{
    const std::uint64_t left = frames_ > position_ ? frames_ - position_ : 0;
    const int want = int(std::min<std::uint64_t>({frames, left, 1u << 20}));
    if (want <= 0) return 0;
    const int got = rlp_web_decoded_read(decoded_, double(position_), want, out);
    position_ += std::uint64_t(std::max(got, 0));
    return std::uint64_t(std::max(got, 0));
}

bool Decoder::Rewind()
{
    position_ = 0;
    return true;
}
#else
    SF_INFO format{};
    SNDFILE *file = sf_open_fd(fd, SFM_READ, &format, SF_TRUE);  // closes fd, even on failure
    if (file == nullptr) {
        WarnUndecodable(path, purpose, sf_strerror(nullptr));
        return nullptr;
    }
    std::unique_ptr<Decoder> decoder(new Decoder());
    decoder->file_ = file;
    if (format.channels <= 0 || format.samplerate <= 0 || format.frames <= 0) {
        WarnUndecodable(path, purpose, "no audio frames");
        return nullptr;
    }
    decoder->fileChannels_ = format.channels;
    decoder->channels_ = std::min(format.channels, 2);
    decoder->sampleRate_ = format.samplerate;
    decoder->frames_ = static_cast<std::uint64_t>(format.frames);
    decoder->contextType_ = MusicContext(format.format & SF_FORMAT_TYPEMASK);
    return decoder;
}

Decoder::~Decoder()
{
    if (file_ != nullptr) sf_close(file_);
}

std::uint64_t Decoder::Read(short *out, std::uint64_t frames)
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

bool Decoder::Rewind() { return sf_seek(file_, 0, SEEK_SET) == 0; }
#endif

}  // namespace rlp::audio
