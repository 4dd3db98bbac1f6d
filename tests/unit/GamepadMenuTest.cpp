// The menus with a game pad: a highlight that the d-pad or left stick moves
// and that A presses, as a click would.
#include <functional>
#include <string>

#include "GamepadSupport.h"
#include "LevelFixture.h"
#include "ui/DeadMenu.h"
#include "ui/MainMenu.h"
#include "ui/SettingsMenu.h"
#include "ui/ShopMenu.h"

namespace {

using GamepadMenus = LevelFixture;

// Plays pad actions on a screen, one update each and a neutral update after:
// U D L R the d-pad, A the button, M a mouse move.
void playPad(ScopedPad &pad, const std::string &actions, const std::function<void()> &update)
{
    for (char a : actions) {
        const int button = a == 'U'   ? GAMEPAD_BUTTON_LEFT_FACE_UP
                           : a == 'D' ? GAMEPAD_BUTTON_LEFT_FACE_DOWN
                           : a == 'L' ? GAMEPAD_BUTTON_LEFT_FACE_LEFT
                           : a == 'R' ? GAMEPAD_BUTTON_LEFT_FACE_RIGHT
                           : a == 'A' ? GAMEPAD_BUTTON_RIGHT_FACE_DOWN
                                      : 0;
        if (button == 0) InjectMousePosition(int(GetMousePosition().x) + 1, 3);
        if (button != 0) pad.hold(button, true);
        update();
        if (button != 0) pad.hold(button, false);
        update();
    }
}

TEST_F(GamepadMenus, TheHighlightMovesToTheNearestControlAndAPressesItLikeAClick)
{
    EnsureWindowAndAudio();
    inventory.addGold(20);
    const std::string previousUpgrade = upgrades.getPrev("goldmultiplier");
    const int multiplierCost = upgrades.get("goldmultiplier")->getCost();
    const struct {
        const char *screen;
        const char *actions;
        GameState toState;
        bool quit;
        int sounds;  // "select"
        int gold;
        std::string selected;
    } cases[] = {
        {"main", "A", STATE_MENU, false, 0, 20, ""},  // the first touch only shows the highlight
        {"main", "AA", STATE_INGAME, false, 1, 20, ""},
        {"main", "RRA", STATE_SETTINGS, false, 1, 20, ""},
        {"main", "DDA", STATE_MENU, true, 1, 20, ""},
        {"main", "RRLA", STATE_INGAME, false, 1, 20, ""},
        {"main", "RRMA", STATE_MENU, false, 0, 20, ""},  // the mouse takes the look back
        {"shop", "AA", STATE_INGAME, false, 1, 20, "goldmultiplier"},
        {"shop", "DDA", STATE_MENU, false, 1, 20, "goldmultiplier"},
        {"shop", "RRA", STATE_SHOP, false, 1, 20, previousUpgrade},
        {"shop", "DDDA", STATE_SHOP, false, 1, 15, "goldmultiplier"},  // the potion
        {"shop", "RRRDA", STATE_SHOP, false, 1, 20 - multiplierCost, "goldmultiplier"},
        {"dead", "DDA", STATE_MENU, false, 1, 0, ""},
    };
    for (const auto &c : cases) {
        const std::string name = std::string(c.screen) + " " + c.actions;
        ScopedPad pad;
        played.clear();
        inventory.reset();
        inventory.addGold(20);
        upgrades.init();
        bool quitFlag = false;
        bool *quit = &quitFlag;
        MainMenu main;
        ShopMenu shop;
        shop.setRunner(runner.get());
        DeadMenu dead;
        const std::string screen = c.screen;
        state = screen == "main" ? STATE_MENU : screen == "shop" ? STATE_SHOP : STATE_DEAD;
        playPad(pad, c.actions, [&] {
            if (screen == "main") main.update(sound, &state, &quit);
            if (screen == "shop") shop.update(sound, inventory, upgrades, state);
            if (screen == "dead") dead.update(0.016f, sound, state, *runner, upgrades, inventory);
        });
        EXPECT_EQ(state, c.toState) << name;
        EXPECT_EQ(quitFlag, c.quit) << name;
        EXPECT_EQ(count("select"), c.sounds) << name;
        EXPECT_EQ(inventory.getGold(), c.gold) << name;
        if (screen == "shop") {
            EXPECT_EQ(shop.selected.id, c.selected) << name;
        }
    }
}

// Held down, the left stick steps at once, then after 24 updates, then every 8.
TEST_F(GamepadMenus, AHeldStickStepsOnceThenRepeatsAfterADelay)
{
    EnsureWindowAndAudio();
    const struct {
        int updates;
        bool music, sound, shake;
    } cases[] = {{1, true, false, false},
                 {24, true, false, false},
                 {25, false, true, false},
                 {32, false, true, false},
                 {33, false, false, true}};
    for (const auto &c : cases) {
        ScopedPad pad;
        SettingsMenu menu;
        GameSettings settings;
        bool changed = false;
        pad.stick(GAMEPAD_AXIS_LEFT_Y, 0.9f);
        for (int i = 0; i < c.updates; ++i)
            menu.update(sound, &state, &settings, changed);
        pad.stick(GAMEPAD_AXIS_LEFT_Y, 0.0f);
        playPad(pad, "A", [&] { menu.update(sound, &state, &settings, changed); });
        EXPECT_EQ(menu.musicBox.ticked, c.music) << c.updates;
        EXPECT_EQ(menu.soundBox.ticked, c.sound) << c.updates;
        EXPECT_EQ(menu.screenshakeBox.ticked, c.shake) << c.updates;
    }
}

}  // namespace
