#include "record/BestRun.h"

#include <sstream>
#include <vector>

#include "record/SaveText.h"
#include "system/SafeFile.h"

namespace {

constexpr const char *kHeader = "tallowfen best run";

}  // namespace

using savetext::fail;
using savetext::readNumber;

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
    if (!savetext::splitLines(text, &lines)) return fail(problem, "it was cut short");
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
    std::string text;
    return savetext::readSmallFile(path, &text, problem) && parse(text, problem);
}

bool BestRun::saveToFile(const char *path, std::string *problem) const
{
    return WriteFileSafely(path, toText(), problem);
}
