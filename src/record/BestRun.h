#pragma once

#include <string>

#include "record/RunStats.h"

// The best run so far, kept across program starts in a small text file:
//
//   tallowfen best run
//   level 12
//   gold 34
//   kills 20
//   end
//
// The closing "end" line tells a whole file from a cut one. A run is better
// when it reached a higher level; at the same level, more gold and then more
// kills decide.
class BestRun {
public:
    int level = 0;  // 0: no best run yet
    int gold = 0;
    int kills = 0;

    static BestRun fromRun(const RunStats &run);

    bool exists() const { return level > 0; }
    bool betterThan(const BestRun &other) const;

    std::string toText() const;
    // True when `text` is a whole, sane best-run file; this is then set from
    // it. Otherwise nothing changes and *problem says why.
    bool parse(const std::string &text, std::string *problem);
    // True when a best run was read. A missing file is no best run and no
    // problem; a damaged, cut, huge or binary one leaves *problem set.
    bool loadFromFile(const char *path, std::string *problem);
    // Written safely: the old file stays whole if the save fails.
    bool saveToFile(const char *path, std::string *problem) const;
};
