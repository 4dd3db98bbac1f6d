#pragma once

// Where the game's bots play (the soak, the golden runs, the daily runs): a
// scratch folder of their own with the game's assets, shaders and map beside
// it as an installed game has them, made the working folder; and the hidden
// window they draw in. Each bot removes the folder when it is done.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "raylib.h"

namespace bot {

inline std::filesystem::path EnterScratchFolder(const std::string &name)
{
    namespace fs = std::filesystem;
    const fs::path source = TALLOWFEN_SOURCE_DIR;
    const fs::path dir = fs::temp_directory_path() / ("tallowfen-" + name + "-" + std::to_string(getpid()));
    fs::create_directories(dir / "data");
    fs::create_directory_symlink(source / "assets", dir / "assets");
    fs::create_directory_symlink(source / "shaders", dir / "shaders");
    fs::copy(source / "data/map", dir / "data/map");
    fs::copy(source / "data/maprender", dir / "data/maprender");
    fs::current_path(dir);
    return dir;
}

inline void LeaveScratchFolder(const std::filesystem::path &dir)
{
    std::filesystem::current_path(TALLOWFEN_SOURCE_DIR);
    std::filesystem::remove_all(dir);
}

// False, with a line saying so, where no display is at hand.
inline bool OpenHiddenWindow(int width, int height, const char *title, const char *who)
{
    SetTraceLogLevel(LOG_WARNING);
    SetConfigFlags(FLAG_WINDOW_HIDDEN);
    InitWindow(width, height, title);
    if (IsWindowReady()) return true;
    std::printf("%s: no window (run it under the e2e harness)\n", who);
    return false;
}

}  // namespace bot
