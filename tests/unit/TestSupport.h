#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "world/WallGrid.h"

// A fresh working directory for one test, holding links to the game's
// assets and shaders and an empty data directory; the previous working
// directory comes back when it goes.
class ScopedWorkDir {
public:
    explicit ScopedWorkDir(bool linkAssets = true);
    ~ScopedWorkDir();
    ScopedWorkDir(const ScopedWorkDir &) = delete;
    ScopedWorkDir &operator=(const ScopedWorkDir &) = delete;

    std::filesystem::path path;

    void write(const std::string &relative, const std::string &bytes) const;
    std::string read(const std::string &relative) const;

private:
    std::filesystem::path previous;
};

// Links a folder under another name (copies it where links cannot be made).
void LinkFolder(const std::filesystem::path &folder, const std::filesystem::path &link);

// Makes a named pipe (a FIFO) at path; false where the system has none.
bool MakeFifo(const char *path);
// Whether the system has them: Windows' named pipes live outside its folders.
#ifdef _WIN32
inline constexpr bool kHasFifos = false;
#else
inline constexpr bool kHasFifos = true;
#endif

// Opens a hidden window and the audio device once for the whole test run.
void EnsureWindowAndAudio();

// Holds keys down through raylib's automation events for as long as it
// lives, then lets them go.
class HeldKeys {
public:
    explicit HeldKeys(std::initializer_list<int> keys);
    ~HeldKeys();
    HeldKeys(const HeldKeys &) = delete;
    HeldKeys &operator=(const HeldKeys &) = delete;

private:
    std::vector<int> keys;
};

// Injects one input event as the game would receive it.
void InjectKey(int key, bool down);
void InjectMouseButton(int button, bool down);
void InjectMousePosition(int x, int y);

// A wall grid drawn as text: up to 20 rows, '1' a wall, anything else floor;
// rows and columns not given are floor.
WallGrid GridOf(std::initializer_list<const char *> rows);
