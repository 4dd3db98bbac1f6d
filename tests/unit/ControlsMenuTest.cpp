// The controls screen driven as a player would: a binding chosen with the pad
// or a click, then a key or button, and the volume steps.
#include "ui/ControlsMenu.h"
#include "GamepadSupport.h"
#include "LevelFixture.h"
#include "TestSupport.h"

namespace {

using ControlsScreen = LevelFixture;

TEST_F(ControlsScreen, ChoosingThenPressingRebindsAndTheVolumesStep)
{
    EnsureWindowAndAudio();
    ScopedWorkDir dir(false);
    const struct {
        const char *name;
        int control;                               // chosen with the highlight and A
        int key;                                   // then held, or 0
        int button;                                // then pressed on the pad, or 0
        const char *fireKeys, *drinkPad, *walkUp;  // walk up starts rebound to I
        int music, effects;
        GameState state;
    } cases[] = {
        {"a key for fire", ControlsMenu::kFirstKey + ACTION_FIRE, KEY_SPACE, 0, "Space", "Pad A", "I, Up", 100, 100,
         STATE_CONTROLS},
        {"Escape cancels", ControlsMenu::kFirstKey + ACTION_FIRE, KEY_ESCAPE, 0, "Left mouse", "Pad A", "I, Up", 100,
         100, STATE_CONTROLS},
        {"a pad button cancels a key", ControlsMenu::kFirstKey + ACTION_FIRE, 0, GAMEPAD_BUTTON_RIGHT_FACE_LEFT,
         "Left mouse", "Pad A", "I, Up", 100, 100, STATE_CONTROLS},
        {"a pad button for drink", ControlsMenu::kFirstPad + ACTION_DRINK, 0, GAMEPAD_BUTTON_RIGHT_FACE_LEFT,
         "Left mouse", "Pad X", "I, Up", 100, 100, STATE_CONTROLS},
        {"music down", ControlsMenu::kMusicDown, 0, 0, "Left mouse", "Pad A", "I, Up", 90, 100, STATE_CONTROLS},
        {"effects stop at 100", ControlsMenu::kEffectsUp, 0, 0, "Left mouse", "Pad A", "I, Up", 100, 100,
         STATE_CONTROLS},
        {"Defaults puts the bindings back", ControlsMenu::kDefaults, 0, 0, "Left mouse", "Pad A", "W, Up", 100, 100,
         STATE_CONTROLS},
        {"Back saves", ControlsMenu::kBack, 0, 0, "Left mouse", "Pad A", "I, Up", 100, 100, STATE_SETTINGS},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScopedPad pad;
        ControlsMenu menu;
        Options options;
        options.bindings.bindKey(ACTION_WALK_UP, KEY_I);
        bool changed = false;
        state = STATE_CONTROLS;
        menu.highlight.shown = true;
        menu.highlight.index = c.control;
        pad.hold(GAMEPAD_BUTTON_RIGHT_FACE_DOWN, true);
        menu.update(sound, &state, options, changed);
        pad.hold(GAMEPAD_BUTTON_RIGHT_FACE_DOWN, false);
        menu.update(sound, &state, options, changed);
        if (c.key != 0) {
            HeldKeys held{c.key};
            menu.update(sound, &state, options, changed);
        }
        if (c.button != 0) {
            pad.hold(c.button, true);
            menu.update(sound, &state, options, changed);
            pad.hold(c.button, false);
        }
        EXPECT_EQ(menu.waiting, -1);
        EXPECT_EQ(Bindings::listText(KeyNames(), options.bindings.keys[ACTION_FIRE]), c.fireKeys);
        EXPECT_EQ(Bindings::listText(PadNames(), options.bindings.pad[ACTION_DRINK]), c.drinkPad);
        EXPECT_EQ(Bindings::listText(KeyNames(), options.bindings.keys[ACTION_WALK_UP]), c.walkUp);
        EXPECT_EQ(options.musicVolume, c.music);
        EXPECT_EQ(options.effectsVolume, c.effects);
        EXPECT_EQ(changed, c.control >= ControlsMenu::kMusicDown);
        EXPECT_EQ(state, c.state);
    }
    Options saved;
    saved.bindings.bindKey(ACTION_WALK_UP, KEY_I);
    EXPECT_EQ(dir.read("data/options"), saved.text()) << "Back wrote the options";
}

// A key the screen refuses keeps it waiting, the reason shown, for another.
TEST_F(ControlsScreen, RefusesKeysThatAlwaysActOrWouldLeaveAnActionWithoutOne)
{
    EnsureWindowAndAudio();
    for (const auto &[key, notice] : {std::pair<int, std::string>{KEY_F9, "F9 always saves a screenshot"},
                                      {KEY_F11, "F11 always switches fullscreen"},
                                      {KEY_Z, "Z is Drink's only key: give it another first"}}) {
        ControlsMenu menu;
        Options options;
        bool changed = false;
        menu.waiting = ACTION_FIRE;
        for (const int pressed : {key, int(KEY_SPACE)}) {
            HeldKeys held{pressed};
            menu.update(sound, &state, options, changed);
            const bool taken = pressed == KEY_SPACE;
            EXPECT_EQ(menu.notice, taken ? "" : notice);
            EXPECT_EQ(Bindings::listText(KeyNames(), options.bindings.keys[ACTION_FIRE]),
                      taken ? "Space" : "Left mouse");
        }
    }
}

}  // namespace
