// The run that outlives the program: its file saved, restored into the
// game and refused when damaged, and when Game keeps, continues and forgets it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "TestSupport.h"
#include "core/Game.h"
#include "core/KeptRun.h"

namespace {

namespace fs = std::filesystem;

const std::string kHead = "tallowfen run\nlevel 4\ngold 12\npotions 1\nhealth 75\n";

TEST(KeptRunFile, SavedRestoredOrRefusedAsAWhole)
{
    EnsureWindowAndAudio();
    ScopedWorkDir dir;
    const SavedRun saved{4, 12, 1, 75, {{"bulletspeed", 1}, {"goldmagnet", 2}}};
    ASSERT_EQ(saved.toText(), kHead + "bulletspeed 1\ngoldmagnet 2\nend\n");
    struct Case {
        const char *what;
        std::optional<std::string> content;  // none: no file
        const char *problem;                 // nullptr: restored as `saved`; "": no run, no complaint
    };
    std::vector<Case> cases = {
        {"as the game saves it", saved.toText(), nullptr},
        {"missing", std::nullopt, ""},
        {"empty", "", "it is empty"},
        {"not ours", "hello\n", "it is not a run file"},
        {"crlf", "tallowfen run\r\nlevel 4\r\nend\r\n", "it is not a run file"},
        {"binary", std::string("\0\xff\x01", 3), "it was cut short"},
        {"huge", saved.toText() + std::string(1 << 16, '\n'), "it is far too large"},
        {"level 0", "tallowfen run\nlevel 0\ngold 1\npotions 1\nhealth 5\nend\n", "its level is not from 1"},
        {"level past --level's limit", "tallowfen run\nlevel 3001\ngold 1\npotions 1\nhealth 5\nend\n", "level"},
        {"no health", "tallowfen run\nlevel 2\ngold 1\npotions 1\nhealth 0\nend\n", "its health is not"},
        {"health over 100", "tallowfen run\nlevel 2\ngold 1\npotions 1\nhealth 101\nend\n", "its health is not"},
        {"negative gold", "tallowfen run\nlevel 2\ngold -1\npotions 1\nhealth 9\nend\n", "unreadable"},
        {"a line missing", "tallowfen run\nlevel 2\ngold 1\nhealth 9\nend\n", "unreadable"},
        {"unknown upgrade", kHead + "goldrain 1\nend\n", "an unknown upgrade, goldrain"},
        {"an upgrade twice", kHead + "goldmagnet 1\ngoldmagnet 1\nend\n", "twice"},
        {"no count", kHead + "goldmagnet\nend\n", "its line 6 is not an upgrade and a count"},
        // 27 ricochets cost 671 million gold in all, 28 more than a run can hold.
        {"most ricochets a run pays for", kHead + "bulletricochet 27\nend\n", nullptr},
        {"beyond them", kHead + "bulletricochet 28\nend\n", "more purchases of bulletricochet than"},
        {"magnets beyond any run", kHead + "goldmagnet 1000000000\nend\n", "more purchases of goldmagnet"},
    };
    for (size_t cut = 1; cut < saved.toText().size(); ++cut)  // every way a write could be cut short
        cases.push_back({"cut", saved.toText().substr(0, cut), "it"});

    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.what) + ": " + c.content.value_or("(none)").substr(0, 60));
        fs::remove("data/run");
        if (c.content) dir.write("data/run", *c.content);
        Inventory inventory;
        Upgrades upgrades;
        GameRunner runner(inventory);
        KeptRun kept{"data/run", std::nullopt};
        testing::internal::CaptureStdout();
        const bool restored = kept.restore(runner, inventory, upgrades);
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_EQ(restored, c.problem == nullptr);
        if (c.problem == nullptr) {
            // NEW GAME shows the kept level, with the purchases made again at today's prices.
            const SavedRun back = KeptRun::of(runner, inventory, upgrades);
            EXPECT_EQ(back.toText(), *c.content);
            EXPECT_EQ(runner.level + 1, 4);
            EXPECT_TRUE(kept.onDisk == back);
            if (c.content == saved.toText()) {
                EXPECT_FLOAT_EQ(upgrades.get("goldmagnet")->getCurrent(), 100.0f);
                EXPECT_EQ(upgrades.get("goldmagnet")->getCost(), 5);
                EXPECT_FLOAT_EQ(upgrades.get("bulletspeed")->getCurrent(), 7.5f);
            }
            EXPECT_EQ(said, "");
            continue;
        }
        // A refused file changes nothing, stays where it is and is named in one line.
        EXPECT_TRUE(KeptRun::of(runner, inventory, upgrades).fresh());
        EXPECT_FALSE(kept.onDisk.has_value());
        EXPECT_EQ(fs::exists("data/run"), c.content.has_value());
        if (*c.problem == '\0') {
            EXPECT_EQ(said, "");
        } else {
            EXPECT_EQ(said.rfind("Ignoring the run kept in data/run: it", 0), 0u) << said;
            EXPECT_NE(said.find(c.problem), std::string::npos) << said;
            EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
        }
    }
}

class KeptRunGame : public ::testing::Test {
protected:
    void SetUp() override { EnsureWindowAndAudio(); }
    void TearDown() override { stopMusic(); }
    void stopMusic()
    {
        if (!game) return;
        StopMusicStream(game->assets.fetchMusic("menu"));
        StopMusicStream(game->assets.fetchMusic("ingame"));
    }
    void start(bool continueRun = true)
    {
        stopMusic();
        game.reset();
        game = std::make_unique<Game>(SaveFolder{}, continueRun);
        game->pause.windowFocused = [] { return true; };
    }
    void moveTo(GameState next)
    {
        const GameState previous = game->state;
        game->state = next;
        game->enterState(previous);
    }
    std::string file() const { return fs::exists("data/run") ? dir.read("data/run") : "(none)"; }

    ScopedWorkDir dir;
    std::unique_ptr<Game> game;
};

TEST_F(KeptRunGame, KeptBetweenLevelsAndAtEachStartContinuedByNewGameForgottenOnDeath)
{
    start();
    moveTo(STATE_INGAME);  // NEW GAME at the very start: nothing to keep
    EXPECT_EQ(file(), "(none)");
    game->inventory.addGold(9);
    game->runner.player.health = 50;
    moveTo(STATE_SHOP);  // level 1 finished: NEW GAME would continue with level 2
    EXPECT_EQ(file(), "tallowfen run\nlevel 2\ngold 9\npotions 2\nhealth 50\nend\n");
    game->upgrades.get("goldmagnet")->buy(game->inventory);  // a purchase, then the window closes
    game->keepRunOnExit();
    const std::string shop = "tallowfen run\nlevel 2\ngold 8\npotions 2\nhealth 50\ngoldmagnet 1\nend\n";
    EXPECT_EQ(file(), shop);

    moveTo(STATE_INGAME);  // level 2 begins: its start is kept, not what happens in it
    game->inventory.addGold(40);
    game->runner.player.health = 25;
    game->keepRunOnExit();
    EXPECT_EQ(file(), shop);

    start();  // the next program start shows and continues level 2 as it began
    EXPECT_EQ(game->mainMenu.continueLevel, 2);
    moveTo(STATE_INGAME);
    EXPECT_EQ(game->runner.level, 2);
    EXPECT_EQ(game->inventory.gold, 8);
    EXPECT_EQ(game->runner.player.health, 50);
    EXPECT_FLOAT_EQ(game->upgrades.get("goldmagnet")->getCurrent(), 50.0f);
    EXPECT_EQ(game->runner.enemies.size(), 2u);

    game->runner.player.health = 0;  // dies: the run and its file are gone
    bool quit = false;
    for (int i = 0; i < 600 && game->state == STATE_INGAME; ++i)
        game->update(&quit);
    ASSERT_EQ(game->state, STATE_DEAD);
    EXPECT_EQ(file(), "(none)");
    EXPECT_EQ(game->mainMenu.continueLevel, 0);

    dir.write("data/run", shop);  // --level starts afresh and replaces a kept run
    start(false);
    EXPECT_EQ(game->inventory.gold, 0);
    game->startNewGameAt(5);
    EXPECT_EQ(file(), "tallowfen run\nlevel 5\ngold 0\npotions 2\nhealth 100\nend\n");
}

}  // namespace
