#pragma once

#include <string>
#include <thread>
#include <vector>

// Stands between raylib's log and standard output while the asset files load.
// How many warnings raylib gives for one damaged file depends on the library
// and the driver (a broken shader brings its compile error, the driver's log
// and the fall-back to the default shader), so the game reports each damaged
// file in one line of its own instead, the same on every build.
class AssetLog {
public:
    // What raylib warned about since the last report, oldest first.
    std::vector<std::string> warnings;
    // Only warnings from the loading thread belong to the file being loaded;
    // others (the audio thread's) print as raylib would print them.
    std::thread::id loader = std::this_thread::get_id();

    AssetLog();
    // Hands the log back to raylib's own printing.
    ~AssetLog();
    AssetLog(const AssetLog &) = delete;
    AssetLog &operator=(const AssetLog &) = delete;

    // Called after each file's load: prints one line naming the file when its
    // load drew any warning, and starts afresh for the next file.
    void report(const std::string &path);

    // The line that report prints, without its line end; empty when there
    // were no warnings. Line breaks and control bytes in raylib's text (a
    // driver's log spans lines) become spaces.
    static std::string line(const std::string &path, const std::vector<std::string> &warnings);
};
