#pragma once

// The player's three switches, kept in a three-character file of "0"/"1".
class GameSettings {
public:
    bool music = true;
    bool sound = true;
    bool screenshake = true;

    GameSettings() = default;

    // Writes the switches through a temporary file renamed over the old one,
    // so a failed save never leaves a half-written file. Returns false, with
    // one line on standard output, when the file could not be written.
    bool saveToFile(const char *path) const;
    // Reads the switches; a missing file, a short file or a character other
    // than "0"/"1" leaves the switches it does not reach as they were.
    void loadFromFile(const char *path);
};
