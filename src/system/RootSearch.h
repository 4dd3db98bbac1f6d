#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// Finds the folder that holds the game's files (assets/, shaders/, data/),
// so the game runs whatever directory it was started from: the working
// directory first, then the program's own directory and up to three
// folders above it (a source tree or build folder), and last the installed
// layout, share/tallowfen beside the program's bin/. Pure: the file system
// is asked only through `hasAssets`.
class RootSearch {
public:
    struct Found {
        std::string dir;
        bool installed = false;  // found through the installed layout
    };
    // The folders to try, in order; directories given without a trailing slash.
    static std::vector<std::string> candidates(const std::string &workingDir, const std::string &programDir);
    // The first candidate for which hasAssets(candidate + "/assets") holds.
    static std::optional<Found> find(const std::string &workingDir, const std::string &programDir,
                                     const std::function<bool(const std::string &)> &hasAssets);
    // A path to and from its UTF-8 text, on every system: a plain std::string
    // goes through Windows' ANSI code page, which may not be UTF-8.
    static std::filesystem::path pathOf(const std::string &utf8);
    static std::string textOf(const std::filesystem::path &path);
};
