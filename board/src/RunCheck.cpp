#include "RunCheck.h"

#include <chrono>
#include <cstdio>

#include "DayWindow.h"
#include "RunIdentity.h"
#include "record/DailyRun.h"

namespace {

Refusal refuse(const char *code, const std::string &reason) { return Refusal{422, code, reason}; }

// Seconds as hours and minutes, for a player to read.
std::string duration(double seconds)
{
    const long minutes = long(seconds / 60.0);
    char text[48];
    std::snprintf(text, sizeof text, "%ld h %02ld min", minutes / 60, minutes % 60);
    return text;
}

}  // namespace

std::time_t RunCheck::dayBegan(const std::string &date)
{
    using namespace std::chrono;
    const year_month_day day{year{std::stoi(date.substr(0, 4))}, month{unsigned(std::stoi(date.substr(5, 2)))},
                             std::chrono::day{unsigned(std::stoi(date.substr(8, 2)))}};
    return system_clock::to_time_t(sys_days{day});
}

Refusal RunCheck::check(const std::string &bytes, std::time_t now)
{
    std::string problem;
    if (!demo.decode(bytes, &problem)) return Refusal{400, "damaged", "the demo cannot be read: " + problem};
    if (demo.daily == "-") return refuse("not_daily", "the demo is not of a daily run");
    if (demo.practice) return refuse("practice", "the demo is of a practice try, which counts for nothing");
    if (!DayWindow::open(demo.daily, now))
        return refuse("wrong_day", "the daily run of " + demo.daily + " is neither today's nor yesterday's (UTC)");
    if (demo.start != 1 || demo.marks.empty()) return refuse("not_the_days_levels", "a daily run begins at level 1");
    for (const DemoMark &mark : demo.marks) {
        if (mark.kind == DemoMark::kResume) return refuse("not_the_days_levels", "a daily run is never continued");
        if (mark.kind != DemoMark::kLevelStart) continue;
        const DailyRun::Seeds seeds = DailyRun::seeds(demo.daily, mark.level);
        if (mark.seedRand != seeds.rand || mark.seedRaylib != seeds.raylib)
            return refuse("not_the_days_levels",
                          "level " + std::to_string(mark.level) + " is not the one " + demo.daily + " gave");
    }
    const DemoMark &last = demo.marks.back();
    if ((last.kind == DemoMark::kDeath || last.kind == DemoMark::kKept) && last.at < demo.tics.size())
        return refuse("input_after_end", "the demo has input after its run's end");
    if (const std::string broken = steps.check(demo.tics); !broken.empty())
        return refuse("bad_steps", "the run was not played at the game's pace: " + broken);
    // Its steps are its play's seconds: no more of them than the day has had.
    const double since = double(now - dayBegan(demo.daily));
    if (steps.figures.seconds > since + kClockAheadSeconds)
        return refuse("longer_than_its_day", "the run holds " + duration(steps.figures.seconds) +
                                                 " of play, more than the " + duration(since) + " since " + demo.daily +
                                                 " began (UTC)");
    links = RunIdentity::links(demo);
    runHash = links.back();
    return {};
}
