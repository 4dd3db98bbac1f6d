#pragma once

#include <string>

#include "assets/GameAssets.h"
#include "level/GameRunner.h"
#include "ui/GUIText.h"
#include "world/GameMap.h"

// The heads-up display in the strip right of the level view: level number,
// health and cooldown bars, gold and potion counts and a minimap. It only
// reads the level through the runner it is given.
class GameUI {
public:
    GameRunner *runner = nullptr;  // not owned
    GUIText levelText{280, 10, 20, "Level X", WHITE, true};
    GUIText healthText{260, 30, 10, "100", WHITE, true};
    GUIText goldText{295, 55, 16, "0", WHITE, false};
    GUIText potionText{295, 75, 16, "0", WHITE, false};
    // Under the minimap: "DAILY RUN" in gold, "PRACTICE" in white, "" for none.
    const char *runLabel = "";
    bool practice = false;
    std::string levelString;
    std::string healthString;
    std::string goldString;
    std::string potionString;

    GameUI() = default;
    // The labels point into this object's own strings.
    GameUI(const GameUI &) = delete;
    GameUI &operator=(const GameUI &) = delete;

    void setRunner(GameRunner *runner);
    void update();
    void draw(GameAssets *assets, int animFrame, GameMap &map);

    void drawBg(GameAssets *assets, int animFrame);
    void draw_health_bar();
    void draw_gun_cooldown();
    void draw_minimap(GameMap &map);
};
