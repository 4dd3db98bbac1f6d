#pragma once

#include <ctime>
#include <functional>
#include <string>

// Where screenshots and clips go: a Tallowfen folder inside the player's
// pictures folder, found the way their desktop finds it, so the files turn up
// where the player already looks for pictures.
struct PicturesFolder {
    // Makes the whole file at the path it is given; false, with a reason when
    // it has one, on failure.
    using Writer = std::function<bool(const std::string &path, std::string *why)>;
    // Reads a whole file: "" for a missing one, and "" with a reason for one
    // that cannot be used.
    using Reader = std::function<std::string(const std::string &path, std::string *problem)>;

    std::string dir;      // absolute; "" when nothing names a pictures folder
    std::string problem;  // why the folder could not be used the last time; saves then fail
    std::string notice;   // a desktop file ignored on the way, for the game to say once

    std::string file(const std::string &name) const { return dir + "/" + name; }

    // XDG_PICTURES_DIR when absolute, else the XDG_PICTURES_DIR line of
    // user-dirs.dirs in XDG_CONFIG_HOME (or HOME/.config), else HOME/Pictures.
    // Pure: the environment comes in as arguments (nullptr: unset) and the
    // file through `readFile`.
    static PicturesFolder choose(const char *xdgPicturesDir, const char *xdgConfigHome, const char *home,
                                 const Reader &readFile);
    // The reader to give choose() outside the tests: plain files only, as a
    // pipe there would hold the start-up.
    static std::string readFile(const std::string &path, std::string *problem);
    // Creates the folder and its parents when missing, trying again each time
    // (the player may have mended the cause meanwhile); false, with `problem`
    // set to one line for the player, when it cannot be made.
    bool make();
    // Saves a new file in the folder as `name`, or as name-2, name-3 ...
    // (before the extension) when that is taken: no picture is ever replaced,
    // not even by two saves racing for one name. `write` makes the file
    // beside, under a name of the same extension; it is then moved onto a name
    // claimed with O_EXCL. The name used, or "" and why not.
    std::string keep(const std::string &name, const Writer &write, std::string *why);
};

// A file name that sorts by time and says the level, e.g.
// tallowfen-2026-12-08-14-05-33-level5.gif; no colons, which some file
// systems refuse. `extension` may come with or without its dot.
std::string ClipName(std::tm when, int level, const char *extension);
