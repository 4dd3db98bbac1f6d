#include "system/PicturesFolder.h"

#include <cstdio>
#include <sstream>
#include <unistd.h>

#include "system/SafeFile.h"

namespace {

constexpr std::size_t kMaxDirsFile = 64 * 1024;  // the desktop writes well under 1 KB
constexpr int kMaxSameName = 999;

bool absolute(const char *path) { return path != nullptr && path[0] == '/'; }

// The XDG_PICTURES_DIR value of a user-dirs.dirs text, or "" when there is
// none usable. The file is shell syntax, so a later line wins; values are
// "$HOME/..." or an absolute path in double quotes, and anything else is
// ignored, as xdg-user-dirs itself does, rather than guessed at.
std::string picturesLine(const std::string &text, const char *home)
{
    const std::string key = "XDG_PICTURES_DIR=\"";
    std::string found;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, key.size(), key) != 0) continue;
        const size_t open = start + key.size();
        const size_t close = line.find('"', open);
        if (close == std::string::npos || line.find_first_not_of(" \t\r", close + 1) != std::string::npos) continue;
        std::string value = line.substr(open, close - open);
        if (value == "$HOME" || value.starts_with("$HOME/")) {
            if (!absolute(home)) continue;
            value = std::string(home) + value.substr(5);
        }
        if (absolute(value.c_str())) found = value;
    }
    while (found.size() > 1 && found.back() == '/')
        found.pop_back();
    return found;
}

}  // namespace

PicturesFolder PicturesFolder::choose(const char *xdgPicturesDir, const char *xdgConfigHome, const char *home,
                                      const Reader &readFile)
{
    PicturesFolder folder;
    std::string pictures;
    if (absolute(xdgPicturesDir)) pictures = xdgPicturesDir;
    if (pictures.empty()) {
        std::string config;
        if (absolute(xdgConfigHome)) {
            config = xdgConfigHome;
        } else if (absolute(home)) {
            config = std::string(home) + "/.config";
        }
        if (!config.empty()) {
            const std::string dirs = config + "/user-dirs.dirs";
            std::string why;
            pictures = picturesLine(readFile(dirs, &why), home);
            if (!why.empty()) folder.notice = "Ignoring " + dirs + ": " + why;
        }
    }
    if (pictures.empty() && absolute(home)) pictures = std::string(home) + "/Pictures";

    if (pictures.empty()) {
        // No folder at all, so each save fails visibly instead of landing
        // wherever the game was started.
        folder.problem = "Tallowfen cannot save pictures: neither XDG_PICTURES_DIR nor HOME names a folder.";
    } else {
        folder.dir = (pictures == "/" ? "" : pictures) + "/Tallowfen";
    }
    return folder;
}

std::string PicturesFolder::readFile(const std::string &path, std::string *problem)
{
    std::string text;
    if (!ReadPlainFile(path.c_str(), kMaxDirsFile, &text, problem)) return "";
    if (text.size() <= kMaxDirsFile) return text;
    if (problem) *problem = "it is far too large";
    return "";
}

bool PicturesFolder::make()
{
    if (dir.empty()) return false;  // `problem` says why from the start
    const std::string why = MakeFolder(dir);
    problem = why.empty() ? "" : "Tallowfen cannot make its pictures folder " + dir + ": " + why + ".";
    return why.empty();
}

std::string PicturesFolder::keep(const std::string &name, const Writer &write, std::string *why)
{
    const auto fail = [why](const std::string &reason) {
        if (why) *why = reason;
        return std::string();
    };
    if (!make()) return fail(problem);
    // Starts with a dot, so picture viewers pass over it, and holds the
    // process id, so two games saving at once never share it.
    const std::string partial = file(".partial-" + std::to_string(::getpid()) + "-" + name);
    std::string reason;
    if (!write(partial, &reason)) {
        std::remove(partial.c_str());
        return fail(reason.empty() ? "could not write " + file(name) : reason);
    }
    const std::size_t dot = name.rfind('.');
    const std::string stem = name.substr(0, dot), extension = dot == std::string::npos ? "" : name.substr(dot);
    for (int n = 1; n <= kMaxSameName; ++n) {
        const std::string candidate = n == 1 ? name : stem + "-" + std::to_string(n) + extension;
        reason = ClaimNewFile(file(candidate));
        if (reason == "taken") continue;
        if (reason.empty()) {
            // Replaces only the empty file just claimed.
            reason = MoveOver(partial, file(candidate));
            if (reason.empty()) return candidate;
            std::remove(file(candidate).c_str());
        }
        break;
    }
    std::remove(partial.c_str());
    return fail("could not save " + file(name) + ": " +
                (reason.empty() || reason == "taken" ? "every name is taken" : reason));
}

std::string ClipName(std::tm when, int level, const char *extension)
{
    std::string dotted = extension == nullptr ? "" : extension;
    if (!dotted.empty() && dotted[0] != '.') dotted.insert(0, ".");
    char name[96];
    std::snprintf(name, sizeof name, "tallowfen-%04d-%02d-%02d-%02d-%02d-%02d-level%d", when.tm_year + 1900,
                  when.tm_mon + 1, when.tm_mday, when.tm_hour, when.tm_min, when.tm_sec, level);
    return name + dotted;
}
