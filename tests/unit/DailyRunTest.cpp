// The daily run: the day's seeds, its file (whole, damaged, another day's),
// and a Game that counts the day's first try only and leaves the kept run
// and the best alone.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/stat.h>

#include "TestSupport.h"
#include "core/Game.h"
#include "record/DailyRun.h"

namespace {

namespace fs = std::filesystem;

TEST(DailyRunSeeds, AreFixedByTheDateAndLevelAlone)
{
    // Pinned: another machine, build or library must draw these same levels.
    EXPECT_EQ(DailyRun::seeds("2026-12-08", 1), DailyRun::seeds("2026-12-08", 1));
    const DailyRun::Seeds base = DailyRun::seeds("2026-12-08", 1);
    struct Case {
        const char *date;
        int level;
    };
    for (const Case &c : {Case{"2026-12-09", 1}, Case{"2026-12-08", 2}, Case{"2027-12-08", 1}, Case{"2026-12-08", 11},
                          Case{"2026-12-18", 1}, Case{"2026-12-08", 0}}) {
        const DailyRun::Seeds other = DailyRun::seeds(c.date, c.level);
        EXPECT_NE(other.rand, base.rand) << c.date << " level " << c.level;
        EXPECT_NE(other.raylib, base.raylib) << c.date << " level " << c.level;
    }
    // The date text, not a local clock: the UTC day of the moment.
    EXPECT_EQ(DailyRun::dateOf(0), "1970-01-01");
    EXPECT_EQ(DailyRun::dateOf(1796774399), "2026-12-08");  // 23:59:59 UTC
    EXPECT_EQ(DailyRun::dateOf(1796774400), "2026-12-09");
}

TEST(DailyRunFile, KeepsTodaysTryAndTreatsDamageOrAnotherDayAsNotPlayed)
{
    ScopedWorkDir dir(false);
    const DailyRun saved{"2026-12-08", 7, 120, 40};
    std::string problem = "stale";
    ASSERT_TRUE(saved.saveToFile("data/daily", &problem));
    DailyRun read;
    EXPECT_TRUE(read.loadFromFile("data/daily", &problem));
    EXPECT_EQ(read.toText(), saved.toText());
    EXPECT_TRUE(read.countedOn("2026-12-08"));
    EXPECT_EQ(read.menuLine("2026-12-08"), "Daily run: level 7, 120 gold");
    EXPECT_FALSE(read.countedOn("2026-12-09"));  // another day's try counts for nothing today
    EXPECT_EQ(read.menuLine("2026-12-09"), "Daily run: not played today");

    const std::string head = "tallowfen daily run\n";
    struct Case {
        const char *what;
        std::optional<std::string> content;  // none: no file at all
    };
    std::vector<Case> cases = {
        {"missing", std::nullopt},
        {"empty", ""},
        {"a best-run file", "tallowfen best run\nlevel 3\ngold 1\nkills 2\nend\n"},
        {"no date", head + "level 3\ngold 1\nkills 2\nend\n"},
        {"a bad date", head + "date 2026-13-08\nlevel 3\ngold 1\nkills 2\nend\n"},
        {"a short date", head + "date 2026-1-08\nlevel 3\ngold 1\nkills 2\nend\n"},
        {"level zero", head + "date 2026-12-08\nlevel 0\ngold 1\nkills 2\nend\n"},
        {"negative gold", head + "date 2026-12-08\nlevel 3\ngold -1\nkills 2\nend\n"},
        {"huge", saved.toText() + std::string(1 << 16, 'x')},
    };
    for (size_t cut = 0; cut < saved.toText().size(); ++cut)
        cases.push_back({"truncated", saved.toText().substr(0, cut)});
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.what) + ": " + c.content.value_or("(none)").substr(0, 60));
        fs::remove("data/daily");
        if (c.content) dir.write("data/daily", *c.content);
        DailyRun kept;
        problem.clear();
        EXPECT_FALSE(kept.loadFromFile("data/daily", &problem));
        EXPECT_FALSE(kept.countedOn("2026-12-08"));
        EXPECT_EQ(problem.empty(), !c.content.has_value()) << problem;
    }
    // Neither a pipe nor a folder in its place is read, nor waited on.
    fs::remove("data/daily");
    ASSERT_EQ(mkfifo("data/daily", 0600), 0);
    EXPECT_FALSE(read.loadFromFile("data/daily", &problem));
    EXPECT_FALSE(problem.empty());
    fs::remove("data/daily");
    fs::create_directories("data/daily/inside");
    EXPECT_FALSE(read.loadFromFile("data/daily", &problem));
    EXPECT_FALSE(problem.empty());
}

TEST(DailyRunGame, CountsTheFirstTryOnlyAndLeavesTheKeptRunAndBestAlone)
{
    EnsureWindowAndAudio();
    ScopedWorkDir dir;
    for (const char *name : {"data/map", "data/maprender"})
        fs::copy_file(fs::path(TALLOWFEN_SOURCE_DIR) / name, name);
    const std::string run = "tallowfen run\nlevel 4\ngold 12\npotions 1\nhealth 75\nend\n";
    const std::string best = "tallowfen best run\nlevel 9\ngold 3\nkills 20\nend\n";
    dir.write("data/run", run);
    dir.write("data/best", best);
    const std::string today = DailyRun::dateOf(std::time(nullptr));
    auto game = std::make_unique<Game>();
    EXPECT_EQ(game->mainMenu.dailyLine, "Daily run: not played today");
    for (const bool practice : {false, true}) {
        SCOPED_TRACE(practice ? "the second try" : "the first try");
        game->startDaily();
        const DailyRun::Seeds seeds = DailyRun::seeds(today, 1);
        EXPECT_EQ(game->runner.level, 1);
        EXPECT_EQ(game->inventory.getGold(), 0);
        EXPECT_EQ(game->inventory.gethPotions(), 2);
        EXPECT_EQ(game->demos.demo.marks.at(0).seedRand, seeds.rand);
        EXPECT_EQ(game->demos.demo.marks.at(0).seedRaylib, seeds.raylib);
        EXPECT_EQ(game->demos.demo.daily, today);
        EXPECT_EQ(game->demos.demo.practice, practice);
        EXPECT_EQ(fs::path(game->demos.path).parent_path(), fs::path("data/demos/daily"));
        EXPECT_STREQ(game->hud.runLabel, practice ? "PRACTICE" : "DAILY RUN");
        game->runner.runStats.gold = practice ? 50 : 5;  // a practice's gold is never counted
        game->state = STATE_DEAD;
        game->enterState(STATE_INGAME);
        game->state = STATE_MENU;
        game->enterState(STATE_DEAD);
        EXPECT_EQ(game->mainMenu.continueLevel, 4);  // the kept run is back for NEW GAME
        EXPECT_EQ(game->mainMenu.dailyLine, "Daily run: level 1, 5 gold");
        EXPECT_EQ(dir.read("data/daily"), DailyRun{today, 1, 5, 0}.toText());
    }
    EXPECT_EQ(dir.read("data/run"), run);
    EXPECT_EQ(dir.read("data/best"), best);
    EXPECT_EQ(game->mainMenu.bestLevel, 9);
    StopMusicStream(game->assets.fetchMusic("menu"));
    StopMusicStream(game->assets.fetchMusic("ingame"));
}

}  // namespace
