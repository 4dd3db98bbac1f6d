#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// The daily run: one run a UTC day that every player plays on the same
// levels, and the one try of it that counts, kept in the save folder's
// `daily`:
//
//   tallowfen daily run
//   date 2026-12-08
//   level 7
//   gold 120
//   kills 40
//   end
//
// The first daily run begun on a day is that day's try, whatever its end:
// the file is written as its first level starts and kept up to date as it
// goes, so quitting or a crash cannot buy a second try. Later runs that day
// are practice and leave the file alone.
class DailyRun {
public:
    // A level's two seeds, as GameRunner's LevelSeeds takes them.
    struct Seeds {
        unsigned rand = 0;
        unsigned raylib = 0;
        bool operator==(const Seeds &) const = default;
    };

    std::string date;  // "YYYY-MM-DD" of the counted try; "" when none was read
    int level = 0;
    int gold = 0;
    int kills = 0;

    // The UTC date of `now` as "YYYY-MM-DD", the same everywhere at once.
    static std::string dateOf(std::time_t now);
    // Level `level`'s seeds on `date`: a fixed hash of the date's text and
    // the level, so every machine draws the same level.
    static Seeds seeds(const std::string &date, int level);

    bool countedOn(const std::string &day) const { return !date.empty() && date == day; }
    // "Daily run: level 7, 120 gold", or "... not played today".
    std::string menuLine(const std::string &today) const;

    std::string toText() const;
    // True when `text` is a whole, sane daily file; this is then set from
    // it. Otherwise nothing changes and *problem says why.
    bool parse(const std::string &text, std::string *problem);
    // True when a result was read. A missing file is no result and no
    // problem; a damaged, cut, huge or strange one leaves *problem set.
    bool loadFromFile(const char *path, std::string *problem);
    bool saveToFile(const char *path, std::string *problem) const;
};
