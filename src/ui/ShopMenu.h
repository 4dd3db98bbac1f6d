#pragma once

#include <string>

#include "assets/GameAssets.h"
#include "assets/SoundManager.h"
#include "core/GameState.h"
#include "economy/Inventory.h"
#include "economy/Upgrades.h"
#include "level/GameRunner.h"
#include "raylib.h"
#include "ui/CurrentUpgrade.h"
#include "ui/GUIButton.h"
#include "ui/GUIText.h"
#include "ui/MenuHighlight.h"

// The shop between levels: sells health potions and browses and sells the
// catalogue's upgrades, then leads on to the next level or back to the menu.
class ShopMenu {
public:
    GUIButton finishButton{10, 10, 100, 40, GRAY, DARKGRAY, false, GUIText{60, 20, 30, "Finish", BLACK, true}, true};
    GUIButton menuButton{10, 55, 100, 40, GRAY, DARKGRAY, false, GUIText{60, 65, 30, "Menu", BLACK, true}, true};
    GUIText goldText{140, 190, 16, "0", WHITE, false};
    GUIText potionText{140, 210, 16, "0", WHITE, false};
    GUIText potionInfoText{120, 150, 12, "Restores\n50hp", GREEN, false};
    GUIButton potionBuyButton{120, 130, 32, 16, GRAY, DARKGRAY, false, GUIText{122, 130, 16, "Buy", BLACK, false},
                              true};
    GUIButton prevButton{178, 80, 24, 24, GRAY, DARKGRAY, false, GUIText{190, 81, 24, "([", BLACK, true}, true};
    GUIButton nextButton{278, 80, 24, 24, GRAY, DARKGRAY, false, GUIText{290, 81, 24, "])", BLACK, true}, true};
    GUIButton upgradeBuyButton{208, 200, 64, 32, GRAY, DARKGRAY, false, GUIText{240, 200, 30, "Buy", BLACK, true},
                               true};
    CurrentUpgrade selected;
    GameRunner *runner = nullptr;  // not owned
    std::string goldString;
    std::string potionString;
    std::string upgradeNameString;  // the browsed upgrade's labels point into these three
    std::string upgradeCostString;
    std::string upgradeCurrentString;
    MenuHighlight highlight;  // over Finish, Menu, ([, ]), the potion Buy, the upgrade Buy

    ShopMenu();
    // The counters' labels point into this object's own strings.
    ShopMenu(const ShopMenu &) = delete;
    ShopMenu &operator=(const ShopMenu &) = delete;

    void setRunner(GameRunner *runner);
    // A run begins: no highlight until the pad is used. The upgrade browsed
    // stays as the last run left it (a demo's level start marks carry it).
    void restart();
    // Shows the upgrade `id` of the catalogue.
    void select(const Upgrades &upgrades, const std::string &id);
    void update(SoundManager &sound, Inventory &inventory, Upgrades &upgrades, GameState &state);
    void draw(GameAssets &assets, int animFrame, Upgrades &upgrades);

    void draw_upgrades(GameAssets &assets, Upgrades &upgrades);
    void draw_player_stuff(GameAssets &assets, int animFrame);
    void draw_health_bar();
    void draw_inventory(GameAssets &assets);
    void draw_hpotion_buy(GameAssets &assets);
};
