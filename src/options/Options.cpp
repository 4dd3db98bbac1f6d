#include "options/Options.h"

#include <sstream>

#include "system/SafeFile.h"
#include "system/WebAddress.h"

namespace {

// Far longer than any line the game writes; anything past it is not ours.
constexpr std::size_t kMaxLine = 200;
constexpr std::size_t kMaxFile = 64 * 1024;

std::string trim(const std::string &s)
{
    const auto first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// A whole number 0 to 100 and nothing else, or -1.
int volumeOf(const std::string &value)
{
    if (value.empty() || value.size() > 3) return -1;
    int v = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v <= Options::kMaxVolume ? v : -1;
}

// The codes of a comma-separated list of names; false on a name not in `names`.
bool listOf(const std::vector<InputName> &names, const std::string &value, std::vector<int> &codes, std::string &bad)
{
    codes.clear();
    if (value == "none") return true;
    std::stringstream in(value);
    std::string item;
    while (std::getline(in, item, ',')) {
        const int code = CodeOf(names, trim(item));
        if (code < 0) {
            bad = trim(item);
            return false;
        }
        codes.push_back(code);
    }
    return !codes.empty() || (bad = value, false);
}

}  // namespace

std::string Options::cleanBoardName(const std::string &raw)
{
    const std::string name = trim(raw);
    int characters = 0;
    for (std::size_t i = 0; i < name.size(); ++characters) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        const int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (length == 0 || i + length > name.size() || c < 0x20 || c == 0x7f) return "";
        for (int k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(name[i + k]) & 0xC0) != 0x80) return "";
        i += length;
    }
    return characters >= 1 && characters <= kMaxBoardName ? name : "";
}

std::string Options::apply(const std::string &name, const std::string &value)
{
    if (name == "board") {
        if (!value.empty() && !WebAddress::valid(value))
            return "board must be an http:// or https:// address, not \"" + value + "\"";
        board = value;
        return "";
    }
    if (name == "board_name") {
        const std::string clean = cleanBoardName(value);
        if (!value.empty() && clean.empty()) return "board_name must be 1 to 16 characters, not \"" + value + "\"";
        boardName = clean;
        return "";
    }
    if (name == "music_volume" || name == "effects_volume") {
        const int v = volumeOf(value);
        if (v < 0) return name + " must be a whole number from 0 to 100, not \"" + value + "\"";
        (name == "music_volume" ? musicVolume : effectsVolume) = v;
        return "";
    }
    for (int a = 0; a < ACTION_COUNT; ++a) {
        const Action action = Action(a);
        const std::string key = ActionKey(action);
        const bool padLine = name == key + "_pad";
        if (name != key && !padLine) continue;
        std::vector<int> codes;
        std::string bad;
        if (!listOf(padLine ? PadNames() : KeyNames(), value, codes, bad)) {
            const int fixed = padLine ? -1 : CodeOf(FixedKeys(), bad);
            if (fixed >= 0) return name + ": " + FixedKeyUse(fixed) + ", so no action takes it";
            return name + " names no " + (padLine ? "pad button" : "key") + " \"" + bad + "\"";
        }
        for (int code : codes)
            if (!padLine && IsMouseCode(code) && !Bindings::mouseAllowed(action))
                return name + ": only fire takes a mouse button";
        (padLine ? bindings.pad : bindings.keys)[action] = codes;
        return "";
    }
    return "unknown setting \"" + name + "\"";
}

void Options::parse(const std::string &text, std::string *problem)
{
    std::string first;
    int damaged = 0;
    auto note = [&](int lineNo, const std::string &what) {
        if (damaged++ == 0) first = "line " + std::to_string(lineNo) + ": " + what;
    };
    if (text.size() > kMaxFile) {
        if (problem) *problem = "the file is over " + std::to_string(kMaxFile / 1024) + " KB, too long to be options";
        return;
    }
    if (text.find('\0') != std::string::npos) {
        if (problem) *problem = "the file holds binary data";
        return;
    }
    std::stringstream in(text);
    std::string raw;
    for (int lineNo = 1; std::getline(in, raw); ++lineNo) {
        const std::string line = trim(raw);
        if (line.empty() || line[0] == '#') continue;
        if (line.size() > kMaxLine) {
            note(lineNo, "too long");
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos) {
            note(lineNo, "no \"=\" in \"" + line + "\"");
            continue;
        }
        const std::string why = apply(trim(line.substr(0, eq)), trim(line.substr(eq + 1)));
        if (!why.empty()) note(lineNo, why);
    }
    if (problem == nullptr || damaged == 0) return;
    *problem = first;
    if (damaged > 1) *problem += " (and " + std::to_string(damaged - 1) + " more damaged lines)";
}

std::string Options::text() const
{
    std::string out = "music_volume = " + std::to_string(musicVolume) + "\n";
    out += "effects_volume = " + std::to_string(effectsVolume) + "\n";
    for (int a = 0; a < ACTION_COUNT; ++a) {
        const std::string key = ActionKey(Action(a));
        out += key + " = " + Bindings::listText(KeyNames(), bindings.keys[a]) + "\n";
        out += key + "_pad = " + Bindings::listText(PadNames(), bindings.pad[a]) + "\n";
    }
    if (!board.empty()) out += "board = " + board + "\n";
    if (!boardName.empty()) out += "board_name = " + boardName + "\n";
    return out;
}

void Options::loadFromFile(const char *path, std::string *problem)
{
    // Reads no further than can matter, so a huge file costs nothing.
    std::string text, why;
    if (ReadPlainFile(path, kMaxFile, &text, &why))
        parse(text, problem);
    else if (problem && !why.empty())
        *problem = why;
}

bool Options::saveToFile(const char *path, std::string *problem) const
{
    std::string why;
    if (WriteFileSafely(path, text(), &why)) return true;
    if (problem) *problem = why;
    return false;
}
