#include "record/BestRun.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "system/SafeFile.h"

namespace {

constexpr const char *kHeader = "tallowfen best run";
// A real file is some forty bytes; anything far bigger is not ours.
constexpr std::size_t kMaxBytes = 4096;
constexpr int kMaxValue = 1000000000;

bool readNumber(const std::string &line, const char *key, int *value)
{
    const std::string prefix = std::string(key) + " ";
    if (line.size() <= prefix.size() || line.compare(0, prefix.size(), prefix) != 0) return false;
    const char *first = line.data() + prefix.size();
    const char *last = line.data() + line.size();
    long long number = -1;
    const auto [end, error] = std::from_chars(first, last, number);
    if (error != std::errc() || end != last || *first == '-' || *first == '+') return false;
    if (number > kMaxValue) return false;
    *value = int(number);
    return true;
}

bool fail(std::string *problem, const std::string &why)
{
    if (problem) *problem = why;
    return false;
}

}  // namespace

BestRun BestRun::fromRun(const RunStats &run)
{
    BestRun best;
    best.level = run.highestLevel();
    best.gold = run.totalGold();
    best.kills = run.totalKills();
    return best;
}

bool BestRun::betterThan(const BestRun &other) const
{
    if (level != other.level) return level > other.level;
    if (gold != other.gold) return gold > other.gold;
    return kills > other.kills;
}

std::string BestRun::toText() const
{
    std::ostringstream out;
    out << kHeader << "\nlevel " << level << "\ngold " << gold << "\nkills " << kills << "\nend\n";
    return out.str();
}

bool BestRun::parse(const std::string &text, std::string *problem)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) return fail(problem, "it was cut short");
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (lines.empty()) return fail(problem, "it is empty");
    if (lines[0] != kHeader) return fail(problem, "it is not a best-run file");
    if (lines.back() != "end") return fail(problem, "it was cut short");
    BestRun read;
    if (lines.size() != 5 || !readNumber(lines[1], "level", &read.level) || !readNumber(lines[2], "gold", &read.gold) ||
        !readNumber(lines[3], "kills", &read.kills) || read.level < 1)
        return fail(problem, "its numbers are unreadable");
    *this = read;
    return true;
}

bool BestRun::loadFromFile(const char *path, std::string *problem)
{
    if (problem) problem->clear();
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return false;
    // A pipe or a device could hold the start-up forever.
    if (status.type() != std::filesystem::file_type::regular) return fail(problem, "it is not a plain file");
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail(problem, std::string("it cannot be read: ") + std::strerror(errno));
    std::string text(kMaxBytes + 1, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(std::size_t(in.gcount()));
    if (in.bad()) return fail(problem, "it cannot be read");
    if (text.size() > kMaxBytes) return fail(problem, "it is far too large");
    return parse(text, problem);
}

bool BestRun::saveToFile(const char *path, std::string *problem) const
{
    return WriteFileSafely(path, toText(), problem);
}
