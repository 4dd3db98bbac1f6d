#include "BuildIdentity.h"

#include <algorithm>

#include "demo/DemoFile.h"

namespace {

// The known identity equal to `text`, or nullptr: the build column is made of
// the board's own strings, never of the header's.
const std::string *find(const std::vector<std::string> &known, const std::string &text)
{
    const auto found = std::find(known.begin(), known.end(), text);
    return found == known.end() ? nullptr : &*found;
}

}  // namespace

std::vector<std::string> BuildIdentity::games() { return {DemoFile::thisGame()}; }

std::vector<std::string> BuildIdentity::platforms()
{
    // The bundled layer on the desktop, in the page (wasm32) and on Windows;
    // a real raylib 5.5 where CMake finds one.
    std::vector<std::string> out;
    for (const char *library : {"bundled", "raylib"})
        for (const char *machine : {"x86_64", "aarch64", "i386", "wasm32", "other"})
            out.push_back(std::string(library) + " " + machine);
    return out;
}

Refusal BuildIdentity::of(const std::string &game, const std::string &platform, std::string *build)
{
    const std::vector<std::string> knownGames = games(), knownPlatforms = platforms();
    const std::string *knownGame = find(knownGames, game), *knownPlatform = find(knownPlatforms, platform);
    if (!knownGame)
        return Refusal{422, "unknown_build",
                       "the run was recorded by a game this board does not verify; it takes " + knownGames.front() +
                           "'s runs"};
    *build = *knownGame + " (" + (knownPlatform ? *knownPlatform : std::string(kUnknownPlatform)) + ")";
    return {};
}
