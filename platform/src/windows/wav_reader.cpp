// The layer's WAV reader on Windows (see wav_reader.h).
#include "wav_reader.h"

#include <io.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace rlp::audio {

namespace {

constexpr std::uint16_t kPcm = 1, kFloat = 3, kExtensible = 0xFFFE;

std::uint32_t Little32(const unsigned char *b) { return b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t(b[3]) << 24; }
std::uint16_t Little16(const unsigned char *b) { return std::uint16_t(b[0] | b[1] << 8); }

bool ReadAll(int descriptor, void *into, std::size_t bytes)
{
    return _read(descriptor, into, unsigned(bytes)) == int(bytes);
}

short ToShort(double v) { return short(std::clamp(std::lrint(v * 32768.0), -32768L, 32767L)); }

}  // namespace

std::unique_ptr<WavReader> WavReader::Open(int descriptor, std::string *why)
{
    std::unique_ptr<WavReader> reader(new WavReader());
    reader->descriptor_ = descriptor;  // closed by the reader, also on failure
    const auto fail = [&](const char *reason) {
        *why = reason;
        return nullptr;
    };
    unsigned char riff[12];
    if (!ReadAll(descriptor, riff, sizeof riff)) return fail("a truncated header");
    std::uint16_t tag = 0;
    int bits = 0;
    bool haveFormat = false;
    for (;;) {
        unsigned char chunk[8];
        if (!ReadAll(descriptor, chunk, sizeof chunk)) return fail("no data chunk");
        const std::uint32_t size = Little32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (size < 16 || size > 64) return fail("a damaged format chunk");
            unsigned char format[64];
            if (!ReadAll(descriptor, format, size + (size & 1))) return fail("a truncated format chunk");
            tag = Little16(format);
            reader->channels = Little16(format + 2);
            reader->sampleRate = int(Little32(format + 4));
            bits = Little16(format + 14);
            // The extensible format's sub-format starts with the plain tag.
            if (tag == kExtensible && size >= 26) tag = Little16(format + 24);
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return fail("data before the format");
            reader->dataStart_ = _telli64(descriptor);
            const std::int64_t end = _lseeki64(descriptor, 0, SEEK_END);
            _lseeki64(descriptor, reader->dataStart_, SEEK_SET);
            reader->bytesPerSample_ = bits / 8;
            const std::uint64_t present = std::uint64_t(std::max<std::int64_t>(0, end - reader->dataStart_));
            const std::uint64_t bytes = std::min<std::uint64_t>(size, present);
            if (reader->channels > 0 && reader->bytesPerSample_ > 0)
                reader->frames = bytes / (std::uint64_t(reader->channels) * reader->bytesPerSample_);
            break;
        } else if (_lseeki64(descriptor, std::int64_t(size) + (size & 1), SEEK_CUR) < 0) {
            return fail("a damaged chunk");
        }
    }
    reader->float_ = tag == kFloat;
    const bool integer = tag == kPcm && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    if (!integer && !(reader->float_ && (bits == 32 || bits == 64))) return fail("a sample format it cannot read");
    if (reader->channels <= 0 || reader->sampleRate <= 0 || reader->frames == 0) return fail("no audio frames");
    return reader;
}

WavReader::~WavReader() { _close(descriptor_); }

short WavReader::Sample(const unsigned char *b) const
{
    if (float_) {
        if (bytesPerSample_ == 4) {
            float v;
            std::memcpy(&v, b, 4);
            return ToShort(double(v));
        }
        double v;
        std::memcpy(&v, b, 8);
        return ToShort(v);
    }
    switch (bytesPerSample_) {
        case 1: return short((b[0] - 128) * 256);
        case 2: return short(Little16(b));
        // Read as the top three bytes of a 32-bit word: the byte before is in the buffer (raw_ starts one early).
        case 3: return ToShort(double(std::int32_t(Little32(b - 1) & 0xFFFFFF00u)) / 2147483648.0);
        default: return ToShort(double(std::int32_t(Little32(b))) / 2147483648.0);
    }
}

std::uint64_t WavReader::Read(short *out, std::uint64_t wanted, int keep)
{
    wanted = std::min(wanted, frames - framesRead_);
    const std::size_t frameBytes = std::size_t(channels) * bytesPerSample_;
    raw_.resize(std::size_t(wanted) * frameBytes + 1);
    const int got = wanted == 0 ? 0 : _read(descriptor_, raw_.data() + 1, unsigned(wanted * frameBytes));
    const std::uint64_t read = got > 0 ? std::uint64_t(got) / frameBytes : 0;
    for (std::uint64_t f = 0; f < read; ++f)
        for (int c = 0; c < keep; ++c)
            out[f * keep + c] = Sample(raw_.data() + 1 + f * frameBytes + std::size_t(c) * bytesPerSample_);
    framesRead_ += read;
    return read;
}

bool WavReader::Rewind()
{
    framesRead_ = 0;
    return _lseeki64(descriptor_, dataStart_, SEEK_SET) == dataStart_;
}

}  // namespace rlp::audio
