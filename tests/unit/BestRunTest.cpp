// The best run: its file (whole, damaged, cut, huge), what counts as better,
// the death screen's chart from one level to a thousand, and a real run
// counted level by level through Game and its level runner.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "TestSupport.h"
#include "core/Game.h"
#include "record/BestRun.h"
#include "ui/RunChart.h"

namespace {

namespace fs = std::filesystem;

bool operator==(const BestRun &a, const BestRun &b)
{
    return a.level == b.level && a.gold == b.gold && a.kills == b.kills;
}

TEST(BestRunFile, RoundTripsAndTreatsEveryDamagedFileAsNoBestRun)
{
    ScopedWorkDir dir(false);
    const BestRun saved{12, 34, 20};
    std::string problem = "stale";
    ASSERT_TRUE(saved.saveToFile("data/best", &problem));
    BestRun read;
    EXPECT_TRUE(read.loadFromFile("data/best", &problem));
    EXPECT_TRUE(read == saved);
    EXPECT_EQ(problem, "");
    EXPECT_FALSE(fs::exists("data/best.tmp"));

    const std::string whole = saved.toText();
    struct Case {
        const char *what;
        std::optional<std::string> content;  // none: no file at all
    };
    std::vector<Case> cases = {
        {"missing", std::nullopt},
        {"empty", ""},
        {"garbage", "hello there\n"},
        {"binary", std::string("\0\x01\xff\xfe tallowfen\n", 15)},
        {"huge", whole + std::string(1 << 20, 'x')},
        {"huge but well-formed up front", whole + std::string(1 << 20, '\n')},
        {"negative", "tallowfen best run\nlevel 3\ngold -1\nkills 2\nend\n"},
        {"overflowing", "tallowfen best run\nlevel 99999999999999999999\ngold 1\nkills 2\nend\n"},
        {"level zero", "tallowfen best run\nlevel 0\ngold 1\nkills 2\nend\n"},
        {"a line too many", "tallowfen best run\nlevel 3\ngold 1\nkills 2\nkills 2\nend\n"},
        {"trailing junk", "tallowfen best run\nlevel 3x\ngold 1\nkills 2\nend\n"},
    };
    for (size_t cut = 0; cut < whole.size(); ++cut)  // every way a write could be cut short
        cases.push_back({"truncated", whole.substr(0, cut)});

    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.what) + ": " + c.content.value_or("(none)").substr(0, 60));
        fs::remove("data/best");
        if (c.content) dir.write("data/best", *c.content);
        BestRun kept{7, 8, 9};
        problem.clear();
        EXPECT_FALSE(kept.loadFromFile("data/best", &problem));
        EXPECT_TRUE(kept == (BestRun{7, 8, 9}));
        EXPECT_EQ(problem.empty(), !c.content.has_value()) << problem;  // only a missing file is no problem
    }

    // Neither a pipe (which would block a read) nor a directory is read.
    fs::remove("data/best");
    BestRun none;
    if (kHasFifos) {
        ASSERT_TRUE(MakeFifo("data/best"));
        EXPECT_FALSE(none.loadFromFile("data/best", &problem));
        EXPECT_FALSE(problem.empty());
    }
    fs::remove("data/best");
    fs::create_directories("data/best/inside");
    problem.clear();
    EXPECT_FALSE(none.loadFromFile("data/best", &problem));
    EXPECT_FALSE(problem.empty());

    // A best file that cannot be replaced says so and is left as it was.
    EXPECT_FALSE(saved.saveToFile("data/best", &problem));
    EXPECT_FALSE(problem.empty());
    EXPECT_TRUE(fs::is_directory("data/best/inside"));
}

TEST(BestRun, IsBetterOnlyByLevelThenGoldThenKills)
{
    struct Case {
        BestRun run, kept;
        bool better;
    };
    const Case cases[] = {
        {{1, 0, 0}, {0, 0, 0}, true},   {{5, 0, 0}, {4, 99, 99}, true},  {{4, 99, 99}, {5, 0, 0}, false},
        {{5, 10, 0}, {5, 9, 99}, true}, {{5, 9, 99}, {5, 10, 0}, false}, {{5, 9, 8}, {5, 9, 7}, true},
        {{5, 9, 7}, {5, 9, 7}, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.run.betterThan(c.kept), c.better)
            << c.run.level << "/" << c.run.gold << "/" << c.run.kills << " vs " << c.kept.level << "/" << c.kept.gold
            << "/" << c.kept.kills;
}

bool overlaps(const Rectangle &a, const Rectangle &b)
{
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

bool inside(const Rectangle &r, const Rectangle &area)
{
    return r.x >= area.x && r.y >= area.y && r.x + r.width <= area.x + area.width &&
           r.y + r.height <= area.y + area.height;
}

TEST(RunChart, FitsOneLevelToAThousandInTheFreeCornerWithoutOverlaps)
{
    const Rectangle area = RunChart::kArea;
    // The death screen's own things the chart must leave alone.
    const Rectangle taken[] = {{10, 100, 150, 40}, {10, 150, 150, 40}, {5, 40, 150, 24}};
    struct Case {
        int levels, perColumn, columns;
    };
    for (const Case &c :
         {Case{1, 1, 1}, Case{2, 1, 2}, Case{72, 1, 72}, Case{73, 2, 37}, Case{100, 2, 50}, Case{1000, 14, 72}}) {
        SCOPED_TRACE(c.levels);
        RunStats run;
        for (int level = 1; level <= c.levels; ++level) {
            run.gold = level % 7;
            run.kills = level;
            run.endLevel(level, level == c.levels ? -25 : 100 - level % 100);
        }
        const ChartLayout chart = RunChart::layout(run, area);
        EXPECT_EQ(chart.levelsPerColumn, c.perColumn);
        EXPECT_EQ(chart.columns, c.columns);
        int kills = 0, tallestKills = 0;
        for (const ChartBar &bar : chart.bars) {
            EXPECT_TRUE(inside(bar.rect, area));
            EXPECT_GE(bar.rect.width, 1.0f);
            for (const Rectangle &other : taken)
                EXPECT_FALSE(overlaps(bar.rect, other));
            const auto strip = std::find_if(std::begin(chart.strips), std::end(chart.strips),
                                            [&](const Rectangle &s) { return inside(bar.rect, s); });
            ASSERT_NE(strip, std::end(chart.strips)) << "a bar outside every band";
            for (const ChartBar &other : chart.bars)
                EXPECT_TRUE(&other == &bar || !overlaps(bar.rect, other.rect));
            if (strip == &chart.strips[2]) {
                kills += 1;
                tallestKills = std::max(tallestKills, int(bar.rect.height));
            }
        }
        // Every column has kills, and the column with the most fills its band.
        EXPECT_EQ(kills, c.columns);
        EXPECT_EQ(tallestKills, int(chart.strips[2].height));
        // The fatal level is marked red in the health band.
        EXPECT_TRUE(std::any_of(chart.bars.begin(), chart.bars.end(), [](const ChartBar &b) {
            return b.color.r == RED.r && b.color.g == RED.g && b.color.b == RED.b;
        }));
    }
}

// A Game in a ring arena, never losing its focus.
class BestRunGame : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureWindowAndAudio();
        std::string map = std::string(20, '1') + "\n";
        for (int row = 1; row < 19; ++row)
            map += "1" + std::string(18, '0') + "1\n";
        dir.write("data/map", map + std::string(20, '1') + "\n");
        dir.write("data/maprender", "");
        game = std::make_unique<Game>();
        game->pause.windowFocused = [] { return true; };
    }
    void TearDown() override
    {
        StopMusicStream(game->assets.fetchMusic("menu"));
        StopMusicStream(game->assets.fetchMusic("ingame"));
    }

    // The level's own birds are put away; `birds` land on the player and
    // `coins` under it, and nothing else drops.
    void stage(int birds, int coins)
    {
        GameRunner &runner = game->runner;
        runner.enemies.clear();
        runner.goldManager.spawnChance = 0.0f;
        for (int i = 0; i < birds; ++i)
            runner.enemies.emplace_back(runner.player.x, runner.player.y);
        for (int i = 0; i < coins; ++i)
            runner.goldManager.coins.emplace_back(runner.player.x + 8, runner.player.y + 8);
    }

    // Updates as the frame loop would until the state leaves play.
    void playUntilDead()
    {
        for (int i = 0; i < 2000 && game->state == STATE_INGAME; ++i)
            game->update(&quit);
        ASSERT_EQ(game->state, STATE_DEAD);
    }

    void moveTo(GameState next)
    {
        const GameState previous = game->state;
        game->state = next;
        game->enterState(previous);
    }

    ScopedWorkDir dir;
    std::unique_ptr<Game> game;
    bool quit = false;
};

TEST_F(BestRunGame, CountsTwoLevelsOfARunAndKeepsItOnlyWhileNoBetterOneExists)
{
    game->startNewGameAt(1);
    stage(1, 2);
    for (int i = 0; i < 40; ++i)
        game->update(&quit);
    moveTo(STATE_SHOP);  // as Q does
    moveTo(STATE_INGAME);
    stage(3, 1);  // three at once: the last 75 health
    playUntilDead();

    const auto &levels = game->deadMenu.chart.run.levels;
    ASSERT_EQ(levels.size(), 2u);
    const int expected[2][4] = {{1, 75, 2, 1}, {2, 0, 1, 3}};
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ((std::vector<int>{levels[i].level, levels[i].health, levels[i].gold, levels[i].kills}),
                  (std::vector<int>(expected[i], expected[i] + 4)));
    EXPECT_EQ(game->inventory.gold, 3);
    EXPECT_TRUE(game->deadMenu.chart.newBest);
    EXPECT_EQ(game->mainMenu.bestLevel, 2);
    const std::string kept = dir.read("data/best");
    EXPECT_EQ(kept, "tallowfen best run\nlevel 2\ngold 3\nkills 4\nend\n");

    // The death screen's reset begins a new run; dying sooner is no new best.
    game->runner.reset();
    EXPECT_TRUE(game->runner.runStats.levels.empty());
    game->startNewGameAt(1);
    stage(4, 5);
    playUntilDead();
    EXPECT_EQ(game->deadMenu.chart.run.levels.size(), 1u);
    EXPECT_FALSE(game->deadMenu.chart.newBest);
    EXPECT_EQ(game->mainMenu.bestLevel, 2);
    EXPECT_EQ(dir.read("data/best"), kept);

    // A better run kept meanwhile by another game stands against this one.
    dir.write("data/best", "tallowfen best run\nlevel 9\ngold 0\nkills 0\nend\n");
    game->runner.reset();
    game->startNewGameAt(3);
    stage(4, 0);
    playUntilDead();
    EXPECT_FALSE(game->deadMenu.chart.newBest);
    EXPECT_EQ(game->mainMenu.bestLevel, 9);
}

}  // namespace
