#pragma once

#include <ctime>
#include <string>

// Which days' runs the board takes: today's and yesterday's by UTC, so a run
// finished just after midnight, or sent late by a game that was offline,
// still counts for the day it was played.
class DayWindow {
public:
    // True for a real calendar date written "YYYY-MM-DD" (leap years counted).
    static bool validDate(const std::string &date);
    // The UTC date of `now`, and of the day before it.
    static std::string today(std::time_t now);
    static std::string yesterday(std::time_t now);
    // True when `date` is today's or yesterday's at `now`.
    static bool open(const std::string &date, std::time_t now);
};
