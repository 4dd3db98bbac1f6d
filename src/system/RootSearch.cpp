#include "system/RootSearch.h"

#include <filesystem>

namespace {

std::string withoutTrailingSlash(std::string dir)
{
    while (dir.size() > 1 && dir.back() == '/')
        dir.pop_back();
    return dir;
}

std::filesystem::path normalProgramDir(const std::string &programDir)
{
    return RootSearch::pathOf(withoutTrailingSlash(programDir)).lexically_normal();
}

std::string installedRoot(const std::string &programDir)
{
    return withoutTrailingSlash(RootSearch::textOf((normalProgramDir(programDir) / "../share/tallowfen").lexically_normal()));
}

}  // namespace

std::filesystem::path RootSearch::pathOf(const std::string &utf8) { return std::u8string(utf8.begin(), utf8.end()); }

std::string RootSearch::textOf(const std::filesystem::path &path)
{
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

std::vector<std::string> RootSearch::candidates(const std::string &workingDir, const std::string &programDir)
{
    std::vector<std::string> found;
    if (!workingDir.empty()) found.push_back(withoutTrailingSlash(workingDir));
    if (programDir.empty()) return found;
    std::filesystem::path dir = normalProgramDir(programDir);
    for (int up = 0; up <= 3; ++up) {
        found.push_back(withoutTrailingSlash(textOf(dir)));
        if (dir == dir.parent_path()) break;  // the file system's root has nothing above it
        dir = dir.parent_path();
    }
    found.push_back(installedRoot(programDir));
    return found;
}

std::optional<RootSearch::Found> RootSearch::find(const std::string &workingDir, const std::string &programDir,
                                                  const std::function<bool(const std::string &)> &hasAssets)
{
    for (const std::string &dir : candidates(workingDir, programDir)) {
        if (!hasAssets(dir == "/" ? "/assets" : dir + "/assets")) continue;
        // Started from inside the installed folder, the game is still the
        // installed one: its saves belong to the player, not to share/.
        return Found{dir, !programDir.empty() && dir == installedRoot(programDir)};
    }
    return std::nullopt;
}
