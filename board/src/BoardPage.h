#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RunStore.h"

// The board as a web page, made on the server: a day's table a page at a
// time, links to the pages before and after and to the earlier days, and a
// Watch link on every entry that plays its run in the game's own page; and
// the page saying what a verified run proves. Every name and word that came
// from a player is escaped.
class BoardPage {
public:
    static constexpr int64_t kPageSize = 25;

    std::string day;    // the day shown
    std::string today;  // the server's UTC date
    std::vector<RunStore::Entry> entries;
    int64_t total = 0;  // the day's entries
    int64_t page = 0;   // from 0
    static constexpr int64_t kDaysShown = 30;
    std::vector<std::string> days;  // days with runs, newest first, from the `daysFrom`th
    int64_t daysFrom = 0;

    std::string render() const;
    // The page at /board/about: what a verified run proves, and what not.
    static std::string about();
    // The display rate a run's steps imply: its tics a played second,
    // rounded; 0 for a run of no length. 60 for a run played on a 60 Hz
    // display, and something odd for a run whose steps were made up.
    static int64_t displayHz(int64_t tics, int64_t lengthMs);
};
