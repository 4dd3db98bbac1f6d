#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RunStore.h"

// The board as a web page, made on the server: a day's table a page at a
// time, links to the pages before and after and to the earlier days, and a
// Watch link on every entry that plays its run in the game's own page.
// Every name and word that came from a player is escaped.
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
    // The page that says what the board is and how it ranks.
    static std::string about();
};
