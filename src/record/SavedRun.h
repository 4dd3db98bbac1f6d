#pragma once

#include <map>
#include <string>

// The run NEW GAME would continue, kept across program starts in a small
// text file:
//
//   tallowfen run
//   level 4           the level NEW GAME shows
//   gold 12
//   potions 1
//   health 75
//   goldmagnet 2      purchases of each upgrade bought at least once
//   end
//
// The closing "end" line tells a whole file from a cut one. Whether the
// upgrades named exist is the catalogue's to say, not this file's.
class SavedRun {
public:
    int level = 1;
    int gold = 0;
    int potions = 2;
    int health = 100;
    std::map<std::string, int> purchases;  // by upgrade id

    bool operator==(const SavedRun &) const = default;

    // A run at its very start: nothing to keep.
    bool fresh() const;

    std::string toText() const;
    // True when `text` is a whole, sane run file; this is then set from it.
    // Otherwise nothing changes and *problem says why in one line.
    bool parse(const std::string &text, std::string *problem);
    // True when a run was read. A missing file is no run and no problem; a
    // damaged, cut, huge or binary one leaves *problem set.
    bool loadFromFile(const char *path, std::string *problem);
    // Written safely: the old file stays whole if the save fails.
    bool saveToFile(const char *path, std::string *problem) const;
};
