// What the board tells of a demo before playing it, on the golden demos made into daily runs.
#include <gtest/gtest.h>

#include <ctime>

#include "DayWindow.h"
#include "RunCheck.h"
#include "record/DailyRun.h"

namespace {

DemoFile golden(const char *name)
{
    DemoFile demo;
    std::string problem;
    EXPECT_TRUE(demo.load(std::string(TALLOWFEN_SOURCE_DIR) + "/tests/demos/" + name, &problem)) << problem;
    return demo;
}

// A copy that encodes afresh: a read demo keeps its chunks as they came.
DemoFile fresh(const DemoFile &d)
{
    DemoFile out;
    out.game = d.game, out.platform = d.platform, out.start = d.start, out.daily = d.daily;
    out.practice = d.practice, out.result = d.result, out.level = d.level, out.gold = d.gold, out.kills = d.kills;
    out.digest = d.digest, out.tics = d.tics, out.marks = d.marks;
    return out;
}

// The demo as a daily run of `date` would be: its levels drawn from the day's seeds.
DemoFile daily(const DemoFile &run, const std::string &date)
{
    DemoFile demo = fresh(run);
    demo.daily = date;
    for (DemoMark &mark : demo.marks)
        if (mark.kind == DemoMark::kLevelStart) {
            const DailyRun::Seeds seeds = DailyRun::seeds(date, mark.level);
            mark.seedRand = seeds.rand, mark.seedRaylib = seeds.raylib;
        }
    return demo;
}

TEST(RunCheck, TakesOnlyTodaysOrYesterdaysCountedDailyRunsEndingWithTheirInput)
{
    const std::time_t now = std::time(nullptr);
    const std::string today = DayWindow::today(now);
    const DemoFile good = daily(golden("level05.demo"), today);
    DemoFile practice = good, old = daily(golden("level05.demo"), DayWindow::yesterday(now - 86400)),
             otherDay = golden("level05.demo"), tooLong = good;
    practice.practice = true;
    otherDay.daily = today;  // the header says today, the levels are another run's
    tooLong.tics.push_back(tooLong.tics.back());
    std::string damaged = good.encode();
    damaged[damaged.size() - 5] ^= 0x40;
    struct Case {
        std::string bytes;
        const char *code;
    } cases[] = {
        {good.encode(), ""},
        {daily(golden("pad06.demo"), DayWindow::yesterday(now)).encode(), ""},
        {golden("level05.demo").encode(), "not_daily"},
        {practice.encode(), "practice"},
        {old.encode(), "wrong_day"},
        {otherDay.encode(), "not_the_days_levels"},
        {daily(golden("level10.demo"), today).encode(), "not_the_days_levels"},  // continued after a restart
        {tooLong.encode(), "input_after_end"},
        {damaged, "damaged"},
    };
    for (const Case &c : cases) {
        RunCheck check;
        const Refusal r = check.check(c.bytes, now);
        EXPECT_EQ(r.code, c.code) << r.reason;
        EXPECT_EQ(r.status, c.code[0] == 0 ? 0 : c.code == std::string("damaged") ? 400 : 422) << c.code;
        EXPECT_EQ(check.runHash.size(), c.code[0] == 0 ? 64u : 0u);
    }
    RunCheck check;
    EXPECT_EQ(check.check(damaged, now).reason, "the demo cannot be read: it is damaged (its check sum differs)");
}

TEST(RunCheck, NamesARunByItsInputWhateverItsHeaderSays)
{
    const DemoFile run = daily(golden("level05.demo"), "2026-12-08");
    DemoFile relabelled = run, played = run, marked = run;
    relabelled.gold = 999, relabelled.platform = "raylib aarch64", relabelled.game = "Tallowfen 9";
    played.tics[100].keyHeld ^= 1;
    marked.marks.back().digest ^= 1;
    DemoFile reread;
    std::string problem;
    ASSERT_TRUE(reread.decode(relabelled.encode(), &problem)) << problem;
    const std::string hash = RunCheck::contentHash(run);
    EXPECT_EQ(RunCheck::contentHash(reread), hash);
    EXPECT_NE(RunCheck::contentHash(played), hash);
    EXPECT_NE(RunCheck::contentHash(marked), hash);
    EXPECT_NE(RunCheck::contentHash(daily(golden("level05.demo"), "2026-12-09")), hash);
}

}  // namespace
