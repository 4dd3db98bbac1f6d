// What the board tells of a demo before playing it, on the golden demos made into daily runs, and
// how it shares one verification among the sendings of one run.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <thread>

#include "DayWindow.h"
#include "RunCheck.h"
#include "RunSubmission.h"
#include "SqliteDatabase.h"
#include "options/Bindings.h"
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

// Tics that step by `steps` in turn, `count` of them.
std::vector<InputTic> stepping(std::vector<float> steps, std::size_t count)
{
    std::vector<InputTic> tics(count);
    for (std::size_t i = 0; i < count; ++i)
        tics[i].step = steps[i % steps.size()];
    return tics;
}

TEST(StepRule, TakesWhatEveryBuildPacesAndNamesTheFirstUpdateOfAnythingElse)
{
    const float f = 1.0f / 60.0f, cap = InputTic::kLongestStep;
    std::vector<InputTic> stall = stepping({f}, 600), nan = stall;
    stall[300].step = cap, nan[7].step = NAN;
    std::vector<float> slow(20, 0.0001f), catchingUp(56, 0.002f);
    slow.back() = f, catchingUp.resize(60, cap);
    const struct {
        std::vector<InputTic> tics;
        const char *broken;
    } cases[] = {
        {stepping({f}, 600), ""},
        {stepping({1 / 72.0f, 1 / 48.0f}, 600), ""},  // the page at 144 Hz: frames two and three apart
        {stall, ""},
        {stepping({0.0151f}, 600), ""},
        {stepping({0.0f, f}, 600), "update 0 steps 0.000 ms, shorter than any display paces a frame (1.000 ms)"},
        {nan, "update 7's time step is not a number of seconds"},
        {stepping({f, f, f, 0.25f}, 600), "update 3 steps 250.0 ms, longer than the game records (100.0 ms)"},
        {stepping(slow, 600), "update 0 steps 0.100 ms, shorter than any display paces a frame (1.000 ms)"},
        {stepping(catchingUp, 600),
         "the 60 updates to update 59 step 0.512 s in all, where the game paces them over 0.900 s at least"},
        {stepping({0.0149f}, 600),
         "the 60 updates to update 59 step 0.894 s in all, where the game paces them over 0.900 s at least"},
        {stepping({0.0149f}, 30),
         "the 30 updates to update 29 step 0.447 s in all, where the game paces them over 0.450 s at least"},
    };
    for (const auto &c : cases) {
        StepRule rule;
        EXPECT_EQ(rule.check(c.tics), c.broken) << rule.describe();
    }
    StepRule rule;
    rule.check(stall);
    EXPECT_NEAR(rule.figures.seconds, 599 / 60.0 + 0.1, 1e-5);
    EXPECT_NEAR(rule.figures.quickestWindow, 1.0, 1e-5);
}

TEST(RunCheck, TakesOnlyTodaysOrYesterdaysCountedDailyRunsEndingWithTheirInput)
{
    const std::time_t now = std::time(nullptr);
    const std::string today = DayWindow::today(now);
    const DemoFile good = daily(golden("level05.demo"), today);
    DemoFile practice = good, old = daily(golden("level05.demo"), DayWindow::yesterday(now - 86400)),
             otherDay = golden("level05.demo"), tooLong = good, slowed = good;
    practice.practice = true;
    for (std::size_t i = 0; i < slowed.tics.size(); i += 2)
        slowed.tics[i].step = 0.002f;
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
        {slowed.encode(), "bad_steps"},
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
    EXPECT_EQ(check.check(slowed.encode(), now).reason,
              "the run was not played at the game's pace: the 60 updates to update 59 step 0.560 s in all, where the "
              "game paces them over 0.900 s at least");
}

TEST(RunCheck, RefusesMorePlayThanItsDayHasHad)
{
    EXPECT_EQ(RunCheck::dayBegan("2026-12-08"), 1796688000);
    EXPECT_EQ(RunCheck::dayBegan("2028-02-29"), 1835395200);
    DemoFile run = daily(golden("level15.demo"), "2026-12-08");
    for (InputTic &tic : run.tics)
        tic.step = InputTic::kLongestStep;  // 14,258 updates each stalled: 23 min 46 s of play
    const std::string bytes = run.encode();
    RunCheck check;
    const Refusal r = check.check(bytes, RunCheck::dayBegan("2026-12-08") + 5 * 60);  // and 15 min for a clock ahead
    EXPECT_EQ(r.code, "longer_than_its_day");
    EXPECT_EQ(r.reason, "the run holds 0 h 23 min of play, more than the 0 h 05 min since 2026-12-08 began (UTC)");
    EXPECT_FALSE(check.check(bytes, RunCheck::dayBegan("2026-12-08") + 9 * 60).refused());
}

std::vector<std::string> linksOf(const DemoFile &demo)
{
    RunCheck check;
    const Refusal r = check.check(fresh(demo).encode(), RunCheck::dayBegan(demo.daily) + 12 * 3600);
    EXPECT_FALSE(r.refused()) << r.reason;
    return check.links;
}

TEST(RunCheck, NamesARunByTheStatesItsMarksLeftWhateverElseItsBytesSay)
{
    const DemoFile run = daily(golden("level05.demo"), "2026-12-08");
    const std::vector<std::string> links = linksOf(run);
    ASSERT_EQ(links.size(), run.marks.size());
    // Another header, the shop's key where the shop cannot open, the pointer in a freeze: played alike
    // (the end-to-end test has the game verify such copies), named alike.
    DemoFile relabelled = run, shopKey = run, pointer = run, marked = run, prefix = run;
    relabelled.gold = 999, relabelled.platform = "raylib aarch64", relabelled.game = "Tallowfen 9";
    shopKey.tics[0].keyPressed |= 1u << ACTION_SHOP;
    pointer.tics[pointer.tics.size() - 250].mouseX += 37.0f;
    for (const DemoFile *same : {&relabelled, &shopKey, &pointer})
        EXPECT_EQ(linksOf(*same), links);
    // Cut where a level begins, it is a part of the run, named as that part.
    const auto cut = std::find_if(run.marks.begin() + 1, run.marks.end(),
                                  [](const DemoMark &m) { return m.kind == DemoMark::kLevelStart; });
    prefix.marks.assign(run.marks.begin(), cut + 1), prefix.tics.resize(cut->at), prefix.result = "unfinished";
    EXPECT_EQ(linksOf(prefix), std::vector<std::string>(links.begin(), links.begin() + (cut - run.marks.begin() + 1)));
    // A state that differs names every link from its mark on.
    marked.marks[3].digest ^= 1;
    const std::vector<std::string> other = linksOf(marked);
    EXPECT_EQ(std::vector<std::string>(other.begin(), other.begin() + 3),
              std::vector(links.begin(), links.begin() + 3));
    for (std::size_t i = 3; i < links.size(); ++i)
        EXPECT_NE(other[i], links[i]);
    EXPECT_NE(linksOf(daily(golden("level05.demo"), "2026-12-09")).back(), links.back());
    EXPECT_NE(linksOf(daily(golden("pad06.demo"), "2026-12-08")).back(), links.back());
}

// Ten keys send one run at once: one verification, one run ranked.
TEST(RunSubmission, TheSameRunSentAtOnceIsVerifiedOnce)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("board-submission-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    {
        RunStore store(std::make_unique<SqliteDatabase>((dir / "board.sqlite3").string()));
        RunSubmission *shared = nullptr;
        std::atomic<int> verified{0};
        VerifyPool pool(2, 16, [&](const std::string &) {
            ++verified;
            // Until the nine others wait on this verification; ten seconds at most, should they never.
            for (int i = 0; i < 10000 && shared->sharing < 9; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return VerifyOutput::parse("level 5, gold 6, kills 7, digest 0123456789abcdef\nmatches the recording\n", 0,
                                       "run.demo");
        });
        RunSubmission submissions{store, pool};
        shared = &submissions;
        const std::time_t now = std::time(nullptr);
        const std::string bytes = daily(golden("level05.demo"), DayWindow::today(now)).encode();
        std::vector<int> statuses(10);
        std::vector<std::thread> senders;
        for (int n = 0; n < 10; ++n)
            senders.emplace_back([&, n] {
                statuses[std::size_t(n)] =
                    submissions.handle(bytes, std::string(31, '0') + char('0' + n), "P" + std::to_string(n), now)
                        .status;
            });
        for (std::thread &sender : senders)
            sender.join();
        std::sort(statuses.begin(), statuses.end());
        EXPECT_EQ(statuses, (std::vector<int>{201, 409, 409, 409, 409, 409, 409, 409, 409, 409}));
        EXPECT_EQ(verified, 1);
        EXPECT_EQ(submissions.verifications, 1);
        EXPECT_TRUE(submissions.flights.empty());
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
