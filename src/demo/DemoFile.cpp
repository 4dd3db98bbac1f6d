#include "demo/DemoFile.h"

#include <zlib.h>

#include <array>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "system/CommandLine.h"
#include "system/SafeFile.h"

#ifndef TALLOWFEN_LIBRARY
#define TALLOWFEN_LIBRARY "raylib"
#endif

namespace {

// A tic as 18 bytes; the body keeps each byte lane as its changes from the
// tic before, so the long stretches of play where nothing changes deflate to
// almost nothing.
constexpr int kTicBytes = 18;
using TicBytes = std::array<uint8_t, kTicBytes>;

TicBytes toBytes(const InputTic &t)
{
    const auto lo = [](int v) { return uint8_t(v & 0xff); };
    const auto hi = [](int v) { return uint8_t((v >> 8) & 0xff); };
    return TicBytes{t.keyHeld,           t.keyPressed,      t.padHeld,         t.padPressed,
                    uint8_t(t.padWalkX), uint8_t(t.padWalkY), t.pad,          uint8_t(t.padMenuX),
                    uint8_t(t.padMenuY), uint8_t(t.padAimX), uint8_t(t.padAimY), lo(t.pointerX),
                    hi(t.pointerX),      lo(t.pointerY),    hi(t.pointerY),    t.click,
                    lo(t.step),          hi(t.step)};
}

InputTic fromBytes(const TicBytes &b)
{
    InputTic t;
    t.keyHeld = b[0];
    t.keyPressed = b[1];
    t.padHeld = b[2];
    t.padPressed = b[3];
    t.padWalkX = int8_t(b[4]);
    t.padWalkY = int8_t(b[5]);
    t.pad = b[6];
    t.padMenuX = int8_t(b[7]);
    t.padMenuY = int8_t(b[8]);
    t.padAimX = int8_t(b[9]);
    t.padAimY = int8_t(b[10]);
    t.pointerX = int16_t(uint16_t(b[11] | (b[12] << 8)));
    t.pointerY = int16_t(uint16_t(b[13] | (b[14] << 8)));
    t.click = b[15];
    t.step = uint16_t(b[16] | (b[17] << 8));
    return t;
}

// Each tic as its change from the one before: bytes subtract alone, the
// pointer and the step as 16-bit numbers, so a pointer gliding across a
// byte boundary still moves by a small step.
constexpr int kWide[] = {11, 13, 16};  // the low bytes of pointerX, pointerY, step

std::vector<TicBytes> ticDeltas(const std::vector<InputTic> &tics)
{
    std::vector<TicBytes> deltas;
    deltas.reserve(tics.size());
    TicBytes last{};
    for (const InputTic &tic : tics) {
        const TicBytes now = toBytes(tic);
        TicBytes d;
        for (int i = 0; i < kTicBytes; ++i)
            d[i] = uint8_t(now[i] - last[i]);
        for (int w : kWide) {
            const unsigned change = unsigned(now[w] | now[w + 1] << 8) - unsigned(last[w] | last[w + 1] << 8);
            d[w] = uint8_t(change);
            d[w + 1] = uint8_t(change >> 8);
        }
        deltas.push_back(d);
        last = now;
    }
    return deltas;
}

std::vector<InputTic> ticsFromDeltas(const std::vector<TicBytes> &deltas)
{
    std::vector<InputTic> tics;
    tics.reserve(deltas.size());
    TicBytes last{};
    for (const TicBytes &d : deltas) {
        TicBytes now;
        for (int i = 0; i < kTicBytes; ++i)
            now[i] = uint8_t(last[i] + d[i]);
        for (int w : kWide) {
            const unsigned value = unsigned(last[w] | last[w + 1] << 8) + unsigned(d[w] | d[w + 1] << 8);
            now[w] = uint8_t(value);
            now[w + 1] = uint8_t(value >> 8);
        }
        tics.push_back(fromBytes(now));
        last = now;
    }
    return tics;
}

// What no recording could hold: the game then reads it as damage.
bool saneTic(const InputTic &t)
{
    const auto unit = [](int v) { return v >= -1 && v <= 1; };
    return unit(t.padWalkX) && unit(t.padWalkY) && unit(t.padMenuX) && unit(t.padMenuY) && t.pad < 32 && t.click <= 1 && t.padAimX != -128 && t.padAimY != -128;
}

struct Writer {
    std::string out;
    void u8(unsigned v) { out.push_back(char(v & 0xff)); }
    void u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            u8(v >> (8 * i));
    }
    void u64(uint64_t v)
    {
        u32(uint32_t(v));
        u32(uint32_t(v >> 32));
    }
};

struct Reader {
    const std::string &in;
    std::size_t at = 0;
    bool ok = true;
    unsigned u8()
    {
        if (at >= in.size()) {
            ok = false;
            return 0;
        }
        return uint8_t(in[at++]);
    }
    uint32_t u32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= uint32_t(u8()) << (8 * i);
        return v;
    }
    uint64_t u64()
    {
        const uint64_t low = u32();
        return low | (uint64_t(u32()) << 32);
    }
};

bool fail(std::string *problem, const std::string &why)
{
    if (problem) *problem = why;
    return false;
}

bool readInt(const std::string &line, const char *name, long long max, long long *value)
{
    const std::string prefix = std::string(name) + " ";
    if (line.rfind(prefix, 0) != 0) return false;
    const std::string digits = line.substr(prefix.size());
    // Past 18 digits stoll could throw.
    if (digits.empty() || digits.size() > 18 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *value = std::stoll(digits);
    return *value <= max;
}

}  // namespace

std::string DigestText(uint64_t digest)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, digest);
    return text;
}

std::string DemoFile::thisGame() { return CommandLine::versionText(); }

std::string DemoFile::thisPlatform()
{
#if defined(__EMSCRIPTEN__)
    const char *machine = "wasm32";
#elif defined(__x86_64__)
    const char *machine = "x86_64";
#elif defined(__aarch64__)
    const char *machine = "aarch64";
#elif defined(__i386__)
    const char *machine = "i386";
#else
    const char *machine = "other";
#endif
    return std::string(TALLOWFEN_LIBRARY) + " " + machine;
}

std::string DemoFile::packChunk(std::size_t firstTic, std::size_t firstMark) const
{
    Writer body;
    body.u32(uint32_t(tics.size() - firstTic));
    body.u32(uint32_t(marks.size() - firstMark));
    for (std::size_t i = firstMark; i < marks.size(); ++i) {
        const DemoMark &m = marks[i];
        body.u8(m.kind);
        body.u32(m.at);
        body.u32(uint32_t(m.level));
        body.u64(m.digest);
        if (m.kind == DemoMark::kLevelStart) {
            body.u32(m.seedRand);
            body.u32(m.seedRaylib);
            body.u8(m.screenshake);
            body.u8(uint8_t(m.animTick));
            body.u8(uint8_t(m.animFrame));
            body.u32(uint32_t(m.stuck));
            body.u8(m.shopUpgrade);
        } else if (m.kind == DemoMark::kResume) {
            body.u8(m.restarted);
            body.u32(uint32_t(m.run.size()));
            body.out += m.run;
        }
    }
    // Lane by lane: every tic's first byte, then every tic's second... each as
    // its change from the tic before, so a lane that holds still is a run of
    // zeros and a pointer that glides is a run of small steps.
    const std::vector<TicBytes> deltas =
        ticDeltas(std::vector<InputTic>(tics.begin() + std::ptrdiff_t(firstTic), tics.end()));
    for (int lane = 0; lane < kTicBytes; ++lane)
        for (const TicBytes &d : deltas)
            body.u8(d[lane]);

    uLongf packedSize = compressBound(uLong(body.out.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef *>(packed.data()), &packedSize,
                  reinterpret_cast<const Bytef *>(body.out.data()), uLong(body.out.size()), 9) != Z_OK)
        return {};
    packed.resize(packedSize);
    Writer head;
    head.u32(uint32_t(packed.size()));
    head.u32(uint32_t(body.out.size()));
    return head.out + packed;
}

std::string DemoFile::encode() const
{
    // Only what came since the last encode is packed: a chunk a mark.
    std::size_t packedTics = 0, packedMarks = 0;
    for (const Chunk &c : chunks) {
        packedTics += c.tics;
        packedMarks += c.marks;
    }
    if (packedTics > tics.size() || packedMarks > marks.size()) {
        chunks.clear();
        packedTics = packedMarks = 0;
    }
    if (packedTics < tics.size() || packedMarks < marks.size() || chunks.empty()) {
        std::string bytes = packChunk(packedTics, packedMarks);
        if (bytes.empty()) return {};
        chunks.push_back(Chunk{std::move(bytes), tics.size() - packedTics, marks.size() - packedMarks});
    }
    std::string packed;
    std::size_t plainSize = 0;
    for (const Chunk &c : chunks) {
        packed += c.bytes;
        plainSize += uint8_t(c.bytes[4]) | uint8_t(c.bytes[5]) << 8 | uint8_t(c.bytes[6]) << 16 |
                     std::size_t(uint8_t(c.bytes[7])) << 24;
    }

    std::ostringstream head;
    head << "tallowfen demo " << kFormat << "\ngame " << game << "\nplatform " << platform << "\nstart " << start
         << "\ndaily " << daily << (practice ? " practice" : "") << "\nresult " << result << "\nlevel " << level
         << "\ngold " << gold << "\nkills " << kills << "\ndigest " << DigestText(digest) << "\nbody "
         << packed.size() << " " << plainSize << "\n";
    std::string text = head.str();
    const uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef *>(text.data()), uInt(text.size())),
                            reinterpret_cast<const Bytef *>(packed.data()), uInt(packed.size()));
    char crcLine[32];
    std::snprintf(crcLine, sizeof crcLine, "crc %08lx\nend\n", crc);
    return text + crcLine + packed;
}

bool DemoFile::decode(const std::string &bytes, std::string *problem, bool headerOnly)
{
    const std::size_t endAt = bytes.find("\nend\n");
    if (bytes.rfind("tallowfen demo ", 0) != 0) return fail(problem, "it is not a Tallowfen demo");
    if (endAt == std::string::npos || endAt > 1024) return fail(problem, "its header is cut or damaged");
    std::vector<std::string> lines;
    std::istringstream in(bytes.substr(0, endAt));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    long long format = 0;
    if (!readInt(lines[0], "tallowfen demo", 1000000, &format)) return fail(problem, "its header is damaged");
    if (format != kFormat)
        return fail(problem, "it is in demo format " + std::to_string(format) + ", and this game reads format " +
                                 std::to_string(kFormat));
    if (lines.size() != 12) return fail(problem, "its header is damaged");

    DemoFile d;
    const auto text = [&](int i, const char *name, std::string *value) {
        const std::string prefix = std::string(name) + " ";
        if (lines[i].rfind(prefix, 0) != 0 || lines[i].size() == prefix.size()) return false;
        *value = lines[i].substr(prefix.size());
        return true;
    };
    long long start = 0, level = 0, gold = 0, kills = 0, packedSize = 0, plainSize = 0;
    std::string digestText, bodyLine, crcText, dailyLine;
    constexpr long long kMax = 1000000000;
    bool ok = text(1, "game", &d.game) && text(2, "platform", &d.platform) && readInt(lines[3], "start", kMax, &start) &&
              text(4, "daily", &dailyLine) && text(5, "result", &d.result) && readInt(lines[6], "level", kMax, &level) &&
              readInt(lines[7], "gold", kMax, &gold) && readInt(lines[8], "kills", kMax, &kills) &&
              text(9, "digest", &digestText) && text(10, "body", &bodyLine) && text(11, "crc", &crcText);
    const std::size_t space = bodyLine.find(' ');
    ok = ok && space != std::string::npos && readInt("body " + bodyLine.substr(0, space), "body", kMax, &packedSize) &&
         readInt("body " + bodyLine.substr(space + 1), "body", kMax, &plainSize) && plainSize >= 8 &&
         digestText.size() == 16 && digestText.find_first_not_of("0123456789abcdef") == std::string::npos &&
         crcText.size() == 8 && crcText.find_first_not_of("0123456789abcdef") == std::string::npos &&
         (d.result == "death" || d.result == "kept" || d.result == "unfinished") && start >= 1 &&
         start <= CommandLine::kMaxStartLevel;
    if (!ok) return fail(problem, "its header is damaged");
    d.daily = dailyLine;
    if (dailyLine.size() > 9 && dailyLine.substr(dailyLine.size() - 9) == " practice") {
        d.practice = true;
        d.daily = dailyLine.substr(0, dailyLine.size() - 9);
    }
    d.start = int(start);
    d.level = int(level);
    d.gold = int(gold);
    d.kills = int(kills);
    d.digest = std::strtoull(digestText.c_str(), nullptr, 16);
    if (headerOnly) {
        *this = std::move(d);
        return true;
    }
    const std::size_t bodyAt = endAt + 5;
    if (bytes.size() - bodyAt != std::size_t(packedSize)) return fail(problem, "it is cut short or has bytes added");
    const std::size_t crcLineAt = bytes.rfind("\ncrc ", endAt) + 1;
    const uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef *>(bytes.data()), uInt(crcLineAt)),
                            reinterpret_cast<const Bytef *>(bytes.data() + bodyAt), uInt(packedSize));
    if (crc != std::strtoul(crcText.c_str(), nullptr, 16)) return fail(problem, "it is damaged (its check sum differs)");

    // A tic takes 20 bytes, and marks are few.
    if (std::size_t(plainSize) > kMaxTics * kTicBytes + (1u << 20)) return fail(problem, "it is too long to be a run");
    Reader chunkReader{bytes, bodyAt};
    std::size_t unpackedSoFar = 0;
    int expectLevel = d.start;
    while (chunkReader.at < bytes.size()) {
        const std::size_t chunkAt = chunkReader.at;
        const uint32_t packedLength = chunkReader.u32();
        const uint32_t plainLength = chunkReader.u32();
        // zlib packs at most 1032 to 1: a larger size is a lie that would only cost memory.
        if (!chunkReader.ok || packedLength > bytes.size() - chunkReader.at ||
            plainLength > std::size_t(plainSize) - unpackedSoFar || plainLength > packedLength * 1032ull + 64)
            return fail(problem, "its body is damaged");
        unpackedSoFar += plainLength;
        std::string body(plainLength, '\0');
        uLongf unpacked = uLongf(plainLength);
        if (uncompress(reinterpret_cast<Bytef *>(body.data()), &unpacked,
                       reinterpret_cast<const Bytef *>(bytes.data() + chunkReader.at), uLong(packedLength)) != Z_OK ||
            unpacked != uLongf(plainLength))
            return fail(problem, "its body is damaged");
        chunkReader.at += packedLength;
        const std::size_t ticsBefore = d.tics.size(), marksBefore = d.marks.size();
        if (!d.unpackChunk(body, &expectLevel)) return fail(problem, "its body is damaged");
        d.chunks.push_back(Chunk{bytes.substr(chunkAt, chunkReader.at - chunkAt), d.tics.size() - ticsBefore,
                                 d.marks.size() - marksBefore});
    }
    if (unpackedSoFar != std::size_t(plainSize)) return fail(problem, "its body is damaged");
    *this = std::move(d);
    return true;
}

bool DemoFile::operator==(const DemoFile &o) const
{
    return game == o.game && platform == o.platform && start == o.start && daily == o.daily &&
           practice == o.practice && result == o.result && level == o.level && gold == o.gold && kills == o.kills &&
           digest == o.digest && tics == o.tics && marks == o.marks;
}

namespace {

// Whether a mark of kind `next` can follow one of kind `before` (0: none yet)
// in a run the game recorded, so that playback can take every mark in turn.
bool canFollow(unsigned before, unsigned next)
{
    switch (before) {
        case 0: return next == DemoMark::kLevelStart || next == DemoMark::kResume;
        // A level ends, is left with the game closed, or the program is killed
        // in it and the next one continues the run.
        case DemoMark::kLevelStart:
            return next == DemoMark::kLevelEnd || next == DemoMark::kKept || next == DemoMark::kResume;
        case DemoMark::kLevelEnd: return next != DemoMark::kLevelEnd;
        case DemoMark::kResume: return next == DemoMark::kLevelStart;
        case DemoMark::kKept: return next == DemoMark::kResume;
        default: return false;  // nothing follows a death
    }
}

}  // namespace

bool DemoFile::unpackChunk(const std::string &body, int *expectLevel)
{
    Reader r{body};
    const uint32_t ticCount = r.u32();
    const uint32_t markCount = r.u32();
    if (ticCount > kMaxTics - tics.size() || markCount > body.size() / 17) return false;
    const std::size_t ticsAfter = tics.size() + ticCount;
    uint32_t lastAt = marks.empty() ? 0 : marks.back().at;
    for (uint32_t i = 0; i < markCount && r.ok; ++i) {
        DemoMark m;
        const unsigned kind = r.u8();
        if (kind < DemoMark::kLevelStart || kind > DemoMark::kDeath) return false;
        m.kind = DemoMark::Kind(kind);
        m.at = r.u32();
        m.level = int32_t(r.u32());
        m.digest = r.u64();
        if (m.kind == DemoMark::kLevelStart) {
            m.seedRand = r.u32();
            m.seedRaylib = r.u32();
            m.screenshake = uint8_t(r.u8());
            m.animTick = int8_t(r.u8());
            m.animFrame = int8_t(r.u8());
            m.stuck = int32_t(r.u32());
            m.shopUpgrade = uint8_t(r.u8());
            // Levels follow one another: a run cannot skip to a level it never reached.
            if (m.level != *expectLevel || m.screenshake > 1 || m.animTick < 0 || m.animTick > 12 ||
                m.animFrame < 0 || m.animFrame > 3)
                return false;
            *expectLevel += 1;
        } else if (m.kind == DemoMark::kResume) {
            m.restarted = uint8_t(r.u8());
            const uint32_t length = r.u32();
            if (m.restarted > 1 || length > 4096 || length > body.size() - r.at) return false;
            m.run = body.substr(r.at, length);
            r.at += length;
            // NEW GAME continues at the level after the last one begun.
            if (m.level < 1 || m.level > *expectLevel) return false;
            *expectLevel = m.level;
        } else if (m.level != *expectLevel - 1) {
            return false;  // ends, keeps or dies in a level it never began
        }
        if (m.at < lastAt || m.at > ticsAfter) return false;
        if (!canFollow(marks.empty() ? 0 : marks.back().kind, m.kind)) return false;
        lastAt = m.at;
        marks.push_back(std::move(m));
    }
    if (!r.ok || body.size() - r.at != std::size_t(ticCount) * kTicBytes) return false;
    std::vector<TicBytes> deltas(ticCount);
    for (int lane = 0; lane < kTicBytes; ++lane)
        for (TicBytes &delta : deltas)
            delta[lane] = uint8_t(body[r.at++]);
    for (const InputTic &tic : ticsFromDeltas(deltas)) {
        if (!saneTic(tic)) return false;
        tics.push_back(tic);
    }
    return true;
}

bool DemoFile::load(const std::string &path, std::string *problem, bool headerOnly)
{
    std::string bytes, why;
    if (!ReadPlainFile(path.c_str(), headerOnly ? 1024 : kMaxFileBytes, &bytes, &why))
        return fail(problem, why.empty() ? "there is no such file" : why);
    if (!headerOnly && bytes.size() > kMaxFileBytes) return fail(problem, "it is too large to be a demo");
    if (bytes.empty()) return fail(problem, "it is empty");
    return decode(bytes, problem, headerOnly);
}

bool DemoFile::save(const std::string &path, std::string *problem) const
{
    const std::string bytes = encode();
    if (bytes.empty()) return fail(problem, "it could not be compressed");
    return WriteFileSafely(path.c_str(), bytes, problem);
}
