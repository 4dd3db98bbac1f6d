// The run that outlives the program: its file, and when Game keeps, continues and forgets it.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "TestSupport.h"
#include "core/Game.h"
#include "keep/KeptRun.h"

namespace {

namespace fs = std::filesystem;

const std::string kHead = "tallowfen run\nlevel 4\ngold 12\npotions 1\nhealth 75\n";

TEST(KeptRunFile, SavedRestoredOrRefusedAsAWhole)
{
    EnsureWindowAndAudio();
    ScopedWorkDir dir;
    const std::string saved = SavedRun{4, 12, 1, 75, {{"bulletspeed", 1}, {"goldmagnet", 2}}}.toText();
    ASSERT_EQ(saved, kHead + "bulletspeed 1\ngoldmagnet 2\nend\n");
    struct Case {
        const char *what;
        std::optional<std::string> content;  // none: no file
        const char *problem;                 // nullptr: restored; "": no run, no complaint
    };
    std::vector<Case> cases = {
        {"as the game saves it", saved, nullptr},
        {"missing", std::nullopt, ""},
        {"empty", "", "it is empty"},
        {"not ours", "hello\n", "it is not a run file"},
        {"crlf", "tallowfen run\r\nlevel 4\r\nend\r\n", "it is not a run file"},
        {"level 0", "tallowfen run\nlevel 0\ngold 1\npotions 1\nhealth 5\nend\n", "its level is not from 1"},
        {"level past --level's", "tallowfen run\nlevel 3001\ngold 1\npotions 1\nhealth 5\nend\n", "its level"},
        {"no health", "tallowfen run\nlevel 2\ngold 1\npotions 1\nhealth 0\nend\n", "its health is not"},
        {"health over 100", "tallowfen run\nlevel 2\ngold 1\npotions 1\nhealth 101\nend\n", "its health is not"},
        {"negative gold", "tallowfen run\nlevel 2\ngold -1\npotions 1\nhealth 9\nend\n", "unreadable"},
        {"unknown upgrade", kHead + "goldrain 1\nend\n", "an unknown upgrade, goldrain"},
        {"an upgrade twice", kHead + "goldmagnet 1\ngoldmagnet 1\nend\n", "twice"},
        {"no count", kHead + "goldmagnet\nend\n", "its line 6 is not an upgrade and a count"},
        {"none bought", kHead + "goldmagnet 0\nend\n", "its line 6 is not"},
        // 27 ricochets cost 671 million gold in all, 28 more than a run can hold.
        {"most ricochets a run pays for", kHead + "bulletricochet 27\nend\n", nullptr},
        {"beyond them", kHead + "bulletricochet 28\nend\n", "more purchases of bulletricochet than"},
        {"magnets beyond any run", kHead + "goldmagnet 1000000000\nend\n", "more purchases of goldmagnet"},
    };
    for (size_t cut = 1; cut < saved.size(); ++cut)  // every way a write could be cut short
        cases.push_back({"cut", saved.substr(0, cut), "it "});

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
        EXPECT_EQ(kept.onDisk.has_value(), restored);
        EXPECT_EQ(fs::exists("data/run"), c.content.has_value());  // a refused file is left for the player
        const SavedRun now = KeptRun::of(runner, inventory, upgrades);
        if (restored) {
            EXPECT_EQ(now.toText(), *c.content);  // NEW GAME continues level 4 with all of it
            EXPECT_EQ(said, "");
            continue;
        }
        EXPECT_TRUE(now.fresh());
        const bool named = said.rfind("Ignoring the run kept in data/run: ", 0) == 0 &&
                           said.find(c.problem) != std::string::npos && said.find('\n') == said.size() - 1;
        EXPECT_TRUE(*c.problem == '\0' ? said.empty() : named) << said;
    }
}

TEST(KeptRunGame, KeptBetweenLevelsAndAtEachStartContinuedByNewGameForgottenOnDeath)
{
    EnsureWindowAndAudio();
    ScopedWorkDir dir;
    std::unique_ptr<Game> game;
    auto start = [&](bool continueRun, bool make = true) {
        if (game)  // its streams stop before it goes, as with the window
            for (const char *track : {"menu", "ingame"})
                StopMusicStream(game->assets.fetchMusic(track));
        game = make ? std::make_unique<Game>(SaveFolder{}, continueRun) : nullptr;
    };
    auto moveTo = [&](GameState next) {
        std::swap(game->state, next);
        game->enterState(next);
    };
    auto file = [&] { return fs::exists("data/run") ? dir.read("data/run") : "(none)"; };

    start(true);
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

    start(true);  // the next program start names level 2 and continues it as it began
    EXPECT_EQ(game->mainMenu.continueLevel, 2);
    EXPECT_EQ(KeptRun::of(game->runner, game->inventory, game->upgrades).toText(), shop);
    EXPECT_EQ(game->upgrades.get("goldmagnet")->getCost(), 3);
    moveTo(STATE_INGAME);
    EXPECT_EQ(game->runner.enemies.size(), 2u);
    moveTo(STATE_DEAD);  // the run and its file are gone
    EXPECT_EQ(file(), "(none)");
    EXPECT_EQ(game->mainMenu.continueLevel, 0);

    dir.write("data/run", shop);  // --level starts afresh and replaces a kept run
    start(false);
    game->startNewGameAt(5);
    EXPECT_EQ(file(), "tallowfen run\nlevel 5\ngold 0\npotions 2\nhealth 100\nend\n");
    start(false, false);
}

}  // namespace
