#pragma once

#include <string>

// Where the game keeps what it writes (settings, window, best). Run from its
// source tree it keeps them in data/ beside its assets, where developers look;
// installed, it keeps them in the player's XDG data folder, because the
// shared folder it was installed to is not the player's to write.
struct SaveFolder {
    std::string dir = "data";  // relative to the game's root, or absolute
    std::string problem;       // why the folder cannot be used; saves then fail

    std::string file(const std::string &name) const { return dir + "/" + name; }

    // The folder for a game found installed or not: XDG_DATA_HOME/tallowfen
    // when that is an absolute path, else HOME/.local/share/tallowfen. Pure:
    // the environment comes in as arguments (nullptr: unset).
    static SaveFolder choose(bool installed, const char *xdgDataHome, const char *home);
    // Creates the folder and its parents when missing; false, with `problem`
    // set to one line for the player, when it cannot be made.
    bool make();
};
