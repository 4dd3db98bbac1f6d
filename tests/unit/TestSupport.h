#pragma once

#include <filesystem>
#include <string>

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

// Opens a hidden window and the audio device once for the whole test run.
void EnsureWindowAndAudio();
