#include "DayWindow.h"

#include "record/DailyRun.h"

bool DayWindow::validDate(const std::string &date)
{
    if (date.size() != 10 || date[4] != '-' || date[7] != '-') return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (date[std::size_t(i)] < '0' || date[std::size_t(i)] > '9') return false;
    const int year = std::stoi(date.substr(0, 4)), month = std::stoi(date.substr(5, 2)),
              day = std::stoi(date.substr(8, 2));
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1970 || month < 1 || month > 12 || day < 1) return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

std::string DayWindow::today(std::time_t now) { return DailyRun::dateOf(now); }

std::string DayWindow::yesterday(std::time_t now) { return DailyRun::dateOf(now - 24 * 60 * 60); }

bool DayWindow::open(const std::string &date, std::time_t now) { return date == today(now) || date == yesterday(now); }
