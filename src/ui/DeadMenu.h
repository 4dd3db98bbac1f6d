#pragma once

#include "assets/GameAssets.h"
#include "assets/SoundManager.h"
#include "core/GameState.h"
#include "economy/Inventory.h"
#include "economy/Upgrades.h"
#include "level/GameRunner.h"
#include <string>

#include "raylib.h"
#include "ui/GUIButton.h"
#include "ui/GUIText.h"
#include "ui/MenuHighlight.h"
#include "ui/RunChart.h"

// The screen after the player's death: a scrolling "DEAD-" banner and two
// buttons that both end the run, one into a new game, one to the main menu.
// Build it only after the window exists: it measures its banner.
class DeadMenu {
public:
    GUIText bannerText{-100, 5, 32, "DEAD-DEAD-DEAD-DEAD-DEAD-DEAD-", RED, false};
    GUIText subtitleText{5, 40, 24, "(skill issue)", RED, false};
    float scrollSpeed = 1.0f;
    float scrollX = -100.0f;
    float wrapX;
    GUIButton newGameButton{10,  100, 150, 40, GRAY, DARKGRAY, false, GUIText(85, 106, 26, "NEW GAME", BLACK, true),
                            true};
    GUIButton mainMenuButton{10,  150, 150, 40, GRAY, DARKGRAY, false, GUIText(85, 156, 26, "MAIN MENU", BLACK, true),
                             true};
    MenuHighlight highlight;  // over NEW GAME, MAIN MENU
    RunChart chart;           // the run just lost, filled in by Game when the player dies
    // A counted daily try's word from the board ("Board: rank 12 of 340"), set by Game.
    std::string boardFile;  // the try's demo, by its name in demos/daily
    std::string boardLine;

    DeadMenu();

    // The banner moves a fixed step per update, whatever the frame time.
    void update(float frameTime, SoundManager &sound, GameState &state, GameRunner &runner, Upgrades &upgrades,
                Inventory &inventory);
    void draw(GameAssets &assets);
};
