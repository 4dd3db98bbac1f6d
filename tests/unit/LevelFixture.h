#pragma once

// A level runner in a working directory of its own, with a map the test
// chooses, an inventory and catalogue beside it, and a sound manager that
// records what it plays.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "level/GameRunner.h"

class LevelFixture : public ::testing::Test {
protected:
    // An arena walled on its outer ring, open inside.
    static std::string ringMap()
    {
        std::string text = std::string(20, '1') + "\n";
        for (int row = 1; row < 19; ++row)
            text += "1" + std::string(18, '0') + "1\n";
        return text + std::string(20, '1') + "\n";
    }

    void SetUp() override
    {
        sound.journal = &played;
        Enemy::stuckCounter = 0;
        build(ringMap());
    }

    void build(const std::string &mapFile)
    {
        dir.write("data/map", mapFile);
        dir.write("data/maprender", "");
        runner = std::make_unique<GameRunner>(inventory);
    }

    void update(bool screenshake = true) { runner->update(sound, state, upgrades, screenshake); }

    int count(const std::string &key) const { return int(std::count(played.begin(), played.end(), key)); }

    ScopedWorkDir dir{false};
    Inventory inventory;
    Upgrades upgrades;
    GameAssets assets;
    std::vector<std::string> played;
    SoundManager sound{true, &assets};
    GameState state = STATE_INGAME;
    std::unique_ptr<GameRunner> runner;
};
