#include "record/DailyRun.h"

#include <cctype>
#include <cstdio>
#include <sstream>
#include <vector>

#include "record/SaveText.h"
#include "system/SafeFile.h"

namespace {

constexpr const char *kHeader = "tallowfen daily run";

// splitmix64's finishing step: every bit of the input moves every bit out.
uint64_t mix(uint64_t z)
{
    z += 0x9e3779b97f4a7c15ull;
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

bool isDate(const std::string &text)
{
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    for (const int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!std::isdigit(static_cast<unsigned char>(text[std::size_t(i)]))) return false;
    const int month = std::stoi(text.substr(5, 2)), day = std::stoi(text.substr(8, 2));
    return month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

}  // namespace

using savetext::fail;
using savetext::readNumber;

std::string DailyRun::dateOf(std::time_t now)
{
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[48];  // room for any int the format could be given
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday);
    return text;
}

DailyRun::Seeds DailyRun::seeds(const std::string &date, int level)
{
    // FNV-1a over "date/level", spread by splitmix64: the text alone decides,
    // so no machine's integer sizes or library enter into it.
    uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : date + "/" + std::to_string(level)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    const uint64_t first = mix(hash), second = mix(first);
    return Seeds{unsigned(first >> 32), unsigned(second >> 32)};
}

std::string DailyRun::menuLine(const std::string &today) const
{
    if (!countedOn(today)) return "Daily run: not played today";
    return "Daily run: level " + std::to_string(level) + ", " + std::to_string(gold) + " gold";
}

std::string DailyRun::toText() const
{
    std::ostringstream out;
    out << kHeader << "\ndate " << date << "\nlevel " << level << "\ngold " << gold << "\nkills " << kills << "\nend\n";
    return out.str();
}

bool DailyRun::parse(const std::string &text, std::string *problem)
{
    std::vector<std::string> lines;
    if (!savetext::splitLines(text, &lines)) return fail(problem, "it was cut short");
    if (lines.empty()) return fail(problem, "it is empty");
    if (lines[0] != kHeader) return fail(problem, "it is not a daily-run file");
    if (lines.back() != "end") return fail(problem, "it was cut short");
    DailyRun read;
    if (lines.size() != 6 || lines[1].rfind("date ", 0) != 0 || !isDate(lines[1].substr(5)))
        return fail(problem, "its date is unreadable");
    read.date = lines[1].substr(5);
    if (!readNumber(lines[2], "level", &read.level) || !readNumber(lines[3], "gold", &read.gold) ||
        !readNumber(lines[4], "kills", &read.kills) || read.level < 1)
        return fail(problem, "its numbers are unreadable");
    *this = read;
    return true;
}

bool DailyRun::loadFromFile(const char *path, std::string *problem)
{
    std::string text;
    return savetext::readSmallFile(path, &text, problem) && parse(text, problem);
}

bool DailyRun::saveToFile(const char *path, std::string *problem) const
{
    return WriteFileSafely(path, toText(), problem);
}
