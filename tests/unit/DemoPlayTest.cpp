// Runs recorded and played back through a headless game, as --verify plays them.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "TestSupport.h"
#include "core/Game.h"
#include "system/StepClock.h"

namespace {

namespace fs = std::filesystem;

// The readers are pointed at the tic of the update in play; a game that goes
// must take that pointer with it, or the next game's readers read freed memory.
TEST(DemoPlay, AGameGoneLeavesNoTicBehind)
{
    ScopedWorkDir dir(false);
    for (const char *name : {"data/map", "data/maprender"})
        fs::copy_file(fs::path(TALLOWFEN_SOURCE_DIR) / name, name);
    {
        Game game(SaveFolder{}, false, true);
        game.runner.fixedSeed = 7;
        game.startNewGameAt(1);
        bool quit = false;
        game.update(&quit);
        ASSERT_EQ(InputTic::current, &game.demo.recorder.tic);  // recording the run
    }
    EXPECT_EQ(InputTic::current, nullptr);
}

// A stall is recorded, and so played, as one step of the cap, never a jump
// in which a bird passes over the crab; the window's first frame, untimed,
// as one of the 60 a second the game paces; any other step as it came.
TEST(DemoPlay, AStallIsRecordedAsOneStepOfTheCap)
{
    const float f = 1.0f / 60.0f, cap = InputTic::kLongestStep;
    const float paced[][2] = {{0.0f, f},  {-1.0f, f},  {NAN, f},       {0.0001f, 0.0001f}, {0.05f, 0.05f},
                              {cap, cap}, {0.5f, cap}, {3600.0f, cap}, {INFINITY, cap}};
    for (const auto &[frame, step] : paced)
        EXPECT_EQ(StepClock::paced(frame), step) << frame;
    ScopedWorkDir dir(false);
    for (const char *name : {"data/map", "data/maprender"})
        fs::copy_file(fs::path(TALLOWFEN_SOURCE_DIR) / name, name);
    Game game(SaveFolder{}, false, true);
    game.runner.fixedSeed = 7;
    game.startNewGameAt(1);
    for (const auto &[frame, step] : {std::pair{5.0f, cap}, {0.0001f, 0.0001f}}) {
        StepClock::fixedSeconds = frame;
        bool quit = false;
        game.update(&quit);
        EXPECT_EQ(game.demo.recorder.demo.tics.back().step, step);
    }
    StepClock::fixedSeconds = 0.0f;
}

// The upgrade the shop shows carries from one run to the next, and a demo of
// the later run starts its shop on it whatever the watcher's shop showed.
TEST(DemoPlay, TheShopsBrowsedUpgradeCarriesIntoTheNextRunAndItsDemo)
{
    ScopedWorkDir dir(false);
    for (const char *name : {"data/map", "data/maprender"})
        fs::copy_file(fs::path(TALLOWFEN_SOURCE_DIR) / name, name);
    Game game(SaveFolder{}, false, true);
    game.runner.fixedSeed = 7;
    game.startNewGameAt(1);
    game.shop.select(game.upgrades, "goldmagnet");
    game.state = STATE_DEAD;
    game.enterState(STATE_INGAME);
    game.runner.reset();  // the death screen's NEW GAME
    game.upgrades.init();
    game.inventory.reset();
    game.state = STATE_INGAME;
    game.enterState(STATE_DEAD);
    EXPECT_EQ(game.shop.selected.id, "goldmagnet");
    const DemoFile demo = game.demo.recorder.demo;
    ASSERT_FALSE(demo.marks.empty());
    EXPECT_EQ(demo.marks[0].shopUpgrade, 2);  // bulletricochet, bulletspeed, goldmagnet ...

    game.shop.select(game.upgrades, "bulletspeed");
    game.watch(demo);
    EXPECT_EQ(game.shop.selected.id, "goldmagnet");
    EXPECT_EQ(game.demo.playback->differs, "");
    DemoFile unsold = demo;
    unsold.marks[0].shopUpgrade = 5;
    game.watch(unsold);
    EXPECT_EQ(game.demo.playback->differs, "the recording's shop shows an upgrade this game does not sell");
}

// A level whose start the game reaches in another state is named, at its
// update, and ends the playing there.
TEST(DemoPlay, AMarkThatDiffersIsNamedByItsLevel)
{
    ScopedWorkDir dir(false);
    for (const char *name : {"data/map", "data/maprender"})
        fs::copy_file(fs::path(TALLOWFEN_SOURCE_DIR) / name, name);
    DemoFile demo;
    std::string problem;
    ASSERT_TRUE(demo.load(std::string(TALLOWFEN_SOURCE_DIR) + "/tests/demos/level05.demo", &problem)) << problem;
    uint32_t at = 0;
    for (DemoMark &mark : demo.marks)
        if (mark.kind == DemoMark::kLevelStart && mark.level == 3) mark.digest ^= 1, at = mark.at;
    Game game(SaveFolder{}, false, true);
    game.watch(demo);
    while (!game.demo.playback->finished) {
        bool quit = false;
        game.update(&quit);
        game.stepUndrawn();
    }
    const std::string named = "level 3 differs from the recording by update " + std::to_string(at) + " ";
    EXPECT_EQ(game.demo.playback->differs.rfind(named, 0), 0u) << game.demo.playback->differs;
    EXPECT_GT(at, 0u);
    EXPECT_EQ(game.demo.playback->nextTic, at);  // and plays no further
}

}  // namespace
