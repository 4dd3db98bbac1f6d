#include "record/SavedRun.h"

#include <algorithm>
#include <sstream>
#include <vector>

#include "record/SaveText.h"
#include "system/CommandLine.h"
#include "system/SafeFile.h"

namespace {

constexpr const char *kHeader = "tallowfen run";
constexpr int kMaxHealth = 100;

// An upgrade id as the catalogue spells them: lower-case letters only.
bool plainName(const std::string &name)
{
    return !name.empty() && name.size() <= 32 &&
           std::all_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

}  // namespace

using savetext::fail;
using savetext::readNumber;

bool SavedRun::fresh() const
{
    const bool nothingBought = std::all_of(purchases.begin(), purchases.end(), [](auto &p) { return p.second == 0; });
    return level == 1 && gold == 0 && potions == 2 && health == kMaxHealth && nothingBought;
}

std::string SavedRun::toText() const
{
    std::ostringstream out;
    out << kHeader << "\nlevel " << level << "\ngold " << gold << "\npotions " << potions << "\nhealth " << health
        << "\n";
    for (const auto &[id, count] : purchases)
        if (count > 0) out << id << " " << count << "\n";
    out << "end\n";
    return out.str();
}

bool SavedRun::parse(const std::string &text, std::string *problem)
{
    std::vector<std::string> lines;
    if (!savetext::splitLines(text, &lines)) return fail(problem, "it was cut short");
    if (lines.empty()) return fail(problem, "it is empty");
    if (lines[0] != kHeader) return fail(problem, "it is not a run file");
    if (lines.back() != "end") return fail(problem, "it was cut short");
    SavedRun read;
    if (lines.size() < 6 || !readNumber(lines[1], "level", &read.level) || !readNumber(lines[2], "gold", &read.gold) ||
        !readNumber(lines[3], "potions", &read.potions) || !readNumber(lines[4], "health", &read.health))
        return fail(problem, "its level, gold, potions and health are unreadable");
    if (read.level < 1 || read.level > CommandLine::kMaxStartLevel)
        return fail(problem, "its level is not from 1 to " + std::to_string(CommandLine::kMaxStartLevel));
    if (read.health < 1 || read.health > kMaxHealth) return fail(problem, "its health is not from 1 to 100");
    for (std::size_t i = 5; i + 1 < lines.size(); ++i) {
        const std::string name = lines[i].substr(0, lines[i].find(' '));
        int count = 0;  // the writer leaves out upgrades never bought
        if (!plainName(name) || !readNumber(lines[i], name, &count) || count < 1)
            return fail(problem, "its line " + std::to_string(i + 1) + " is not an upgrade and a count");
        if (!read.purchases.emplace(name, count).second)
            return fail(problem, "it names the upgrade " + name + " twice");
    }
    *this = read;
    return true;
}

bool SavedRun::loadFromFile(const char *path, std::string *problem)
{
    std::string text;
    return savetext::readSmallFile(path, &text, problem) && parse(text, problem);
}

bool SavedRun::saveToFile(const char *path, std::string *problem) const
{
    return WriteFileSafely(path, toText(), problem);
}
