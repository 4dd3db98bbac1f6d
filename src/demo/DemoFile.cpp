#include "demo/DemoFile.h"

#include <zlib.h>

#include <array>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <sstream>

#include "demo/ByteStream.h"
#include "demo/MarkCodec.h"
#include "demo/TicCodec.h"
#include "system/CommandLine.h"
#include "system/SafeFile.h"

#ifndef TALLOWFEN_LIBRARY
#define TALLOWFEN_LIBRARY "raylib"
#endif

namespace {

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
    ByteWriter body;
    body.u32(0);  // its size, once known
    body.u32(uint32_t(tics.size() - firstTic));
    body.u32(uint32_t(marks.size() - firstMark));
    for (std::size_t i = firstMark; i < marks.size(); ++i)
        MarkCodec::pack(marks[i], &body);
    TicCodec::pack(firstTic > 0 ? tics[firstTic - 1] : InputTic{}, tics.data() + firstTic, tics.size() - firstTic,
                   &body.out);
    const uint32_t size = uint32_t(body.out.size() - 4);
    for (int i = 0; i < 4; ++i)
        body.out[std::size_t(i)] = char(size >> (8 * i));
    return body.out;
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
        chunks.push_back(Chunk{std::move(bytes), tics.size() - packedTics, marks.size() - packedMarks});
    }
    std::string packed;
    for (const Chunk &c : chunks)
        packed += c.bytes;

    std::ostringstream head;
    head << "tallowfen demo " << kFormat << "\ngame " << game << "\nplatform " << platform << "\nstart " << start
         << "\ndaily " << daily << (practice ? " practice" : "") << "\nresult " << result << "\nlevel " << level
         << "\ngold " << gold << "\nkills " << kills << "\ndigest " << DigestText(digest) << "\nbody " << packed.size()
         << " " << tics.size() << "\n";
    std::string text = head.str();
    const uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef *>(text.data()), uInt(text.size())),
                            reinterpret_cast<const Bytef *>(packed.data()), uInt(packed.size()));
    char crcLine[32];
    std::snprintf(crcLine, sizeof crcLine, "crc %08lx\nend\n", crc);
    return text + crcLine + packed;
}

bool DemoFile::decode(const std::string &bytes, std::string *problem, bool headerOnly)
{
    DemoFile d;
    BodySizes sizes;
    if (!d.readHeader(bytes, &sizes, problem) || (!headerOnly && !d.readBody(bytes, sizes, problem))) return false;
    *this = std::move(d);
    return true;
}

bool DemoFile::readHeader(const std::string &bytes, BodySizes *sizes, std::string *problem)
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

    DemoFile &d = *this;
    const auto text = [&](int i, const char *name, std::string *value) {
        const std::string prefix = std::string(name) + " ";
        if (lines[i].rfind(prefix, 0) != 0 || lines[i].size() == prefix.size()) return false;
        *value = lines[i].substr(prefix.size());
        return true;
    };
    long long start = 0, level = 0, gold = 0, kills = 0, packedSize = 0, ticCount = 0;
    std::string digestText, bodyLine, crcText, dailyLine;
    constexpr long long kMax = 1000000000;
    bool ok = text(1, "game", &d.game) && text(2, "platform", &d.platform) &&
              readInt(lines[3], "start", kMax, &start) && text(4, "daily", &dailyLine) &&
              text(5, "result", &d.result) && readInt(lines[6], "level", kMax, &level) &&
              readInt(lines[7], "gold", kMax, &gold) && readInt(lines[8], "kills", kMax, &kills) &&
              text(9, "digest", &digestText) && text(10, "body", &bodyLine) && text(11, "crc", &crcText);
    const std::size_t space = bodyLine.find(' ');
    ok = ok && space != std::string::npos && readInt("body " + bodyLine.substr(0, space), "body", kMax, &packedSize) &&
         readInt("body " + bodyLine.substr(space + 1), "body", kMax, &ticCount) && digestText.size() == 16 &&
         digestText.find_first_not_of("0123456789abcdef") == std::string::npos && crcText.size() == 8 &&
         crcText.find_first_not_of("0123456789abcdef") == std::string::npos &&
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
    *sizes = BodySizes{endAt + 5, std::size_t(packedSize), std::size_t(ticCount),
                       uLong(std::strtoul(crcText.c_str(), nullptr, 16))};
    return true;
}

bool DemoFile::readBody(const std::string &bytes, const BodySizes &sizes, std::string *problem)
{
    const std::size_t bodyAt = sizes.at, packedSize = sizes.packed;
    const std::size_t endAt = bodyAt - 5;
    if (bytes.size() - bodyAt != std::size_t(packedSize)) return fail(problem, "it is cut short or has bytes added");
    const std::size_t crcLineAt = bytes.rfind("\ncrc ", endAt) + 1;
    const uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef *>(bytes.data()), uInt(crcLineAt)),
                            reinterpret_cast<const Bytef *>(bytes.data() + bodyAt), uInt(packedSize));
    if (crc != sizes.crc) return fail(problem, "it is damaged (its check sum differs)");
    if (sizes.tics > kMaxTics) return fail(problem, "it is too long to be a run");

    ByteReader chunkReader{bytes, bodyAt};
    DemoFile &d = *this;
    int expectLevel = d.start;
    while (chunkReader.at < bytes.size()) {
        const std::size_t chunkAt = chunkReader.at;
        const uint32_t length = chunkReader.u32();
        if (!chunkReader.ok || length > bytes.size() - chunkReader.at) return fail(problem, "its body is damaged");
        chunkReader.at += length;
        const std::size_t ticsBefore = d.tics.size(), marksBefore = d.marks.size();
        std::string chunk = bytes.substr(chunkAt, chunkReader.at - chunkAt);
        if (!d.unpackChunk(chunk, sizes.tics, &expectLevel)) return fail(problem, "its body is damaged");
        d.chunks.push_back(Chunk{std::move(chunk), d.tics.size() - ticsBefore, d.marks.size() - marksBefore});
    }
    return d.tics.size() == sizes.tics || fail(problem, "its body is damaged");
}

bool DemoFile::operator==(const DemoFile &o) const
{
    return game == o.game && platform == o.platform && start == o.start && daily == o.daily && practice == o.practice &&
           result == o.result && level == o.level && gold == o.gold && kills == o.kills && digest == o.digest &&
           tics == o.tics && marks == o.marks;
}

bool DemoFile::unpackChunk(const std::string &chunk, std::size_t allTics, int *expectLevel)
{
    ByteReader r{chunk, 4};
    const uint32_t ticCount = r.u32();
    const uint32_t markCount = r.u32();
    if (!r.ok || ticCount > allTics - tics.size() || markCount > chunk.size() / MarkCodec::kLeastBytes) return false;
    for (uint32_t i = 0; i < markCount; ++i)
        if (!MarkCodec::unpack(&r, tics.size() + ticCount, expectLevel, &marks)) return false;
    const InputTic before = tics.empty() ? InputTic{} : tics.back();
    return r.ok && TicCodec::unpack(chunk, &r.at, ticCount, before, &tics);
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
    return WriteFileSafely(path.c_str(), encode(), problem);
}
