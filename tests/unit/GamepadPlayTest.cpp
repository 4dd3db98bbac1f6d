// Playing with a game pad: the left stick and d-pad walk like the keys, the
// right stick aims, the trigger fires, A drinks, Y leaves a finished level,
// and the device used last aims.
#include <functional>

#include "GamepadSupport.h"
#include "LevelFixture.h"

namespace {

using GamepadPlay = LevelFixture;

TEST(GamepadWalk, StickAndDpadWalkExactlyLikeTheKeys)
{
    const WallGrid open{};
    const WallGrid leftWall = GridOf({"1000", "1000", "1000", "1111"});
    const struct {
        const char *name;
        WallGrid grid;
        int x, y;
        std::initializer_list<int> keys;  // the walk to match
        Vector2 stick;
        std::initializer_list<int> dpad;
        std::initializer_list<int> padKeys;  // keys held along with the pad
        bool moves;
    } cases[] = {
        {"stick right", open, 100, 100, {KEY_D}, {0.8f, 0}, {}, {}, true},
        {"just outside the dead zone", open, 100, 100, {KEY_D}, {0.26f, 0}, {}, {}, true},
        {"inside the dead zone", open, 100, 100, {}, {0.24f, 0}, {}, {}, false},
        {"diagonal inside the radial dead zone", open, 100, 100, {}, {-0.17f, 0.17f}, {}, {}, false},
        {"diagonal just outside it", open, 100, 100, {KEY_A, KEY_S}, {-0.18f, 0.18f}, {}, {}, true},
        {"a shallow angle stays on its axis", open, 100, 100, {KEY_D}, {0.9f, -0.3f}, {}, {}, true},
        {"a wall at the side is slid along", leftWall, 32, 0, {KEY_A, KEY_S}, {-0.7f, 0.7f}, {}, {}, true},
        {"a wall below stops a diagonal", leftWall, 32, 64, {KEY_D, KEY_S}, {0.7f, 0.7f}, {}, {}, false},
        {"the d-pad", open, 100, 100, {KEY_W, KEY_LEFT}, {0, 0}, {1, 4}, {}, true},
        {"the d-pad over the stick", open, 100, 100, {KEY_DOWN}, {1, 0}, {3}, {}, true},
        {"keys over the pad", open, 100, 100, {KEY_W}, {0, 1}, {}, {KEY_W}, true},
    };
    for (const auto &c : cases) {
        GameMap map;
        map.walls = c.grid;
        auto walk = [&](Player &player) {
            for (int i = 0; i < 3; ++i)
                player.update(0.05f, map.pixelSize, map);
        };
        Player byKeys(c.x, c.y, 32, 32), byPad(c.x, c.y, 32, 32);
        {
            HeldKeys held(c.keys);
            walk(byKeys);
        }
        {
            ScopedPad pad;
            pad.sticks(GAMEPAD_AXIS_LEFT_X, c.stick);
            for (int button : c.dpad)
                pad.hold(button, true);
            HeldKeys held(c.padKeys);
            walk(byPad);
        }
        EXPECT_EQ(byPad.x, byKeys.x) << c.name;
        EXPECT_EQ(byPad.y, byKeys.y) << c.name;
        EXPECT_EQ(byPad.animRow, byKeys.animRow) << c.name;
        EXPECT_EQ(byKeys.x != c.x || byKeys.y != c.y, c.moves) << c.name;
    }
}

TEST_F(GamepadPlay, RightStickAimsAndFiresThatWayARestingStickKeepsTheAim)
{
    EnsureWindowAndAudio();
    ScopedPad pad;
    pad.hold(GAMEPAD_BUTTON_RIGHT_TRIGGER_2, true);
    const struct {
        Vector2 stick;
        float rotation;
        Vector2 flight;  // unit direction of the bullet
    } cases[] = {
        {{1, 0}, 180.0f, {1, 0}},
        {{0, 1}, 270.0f, {0, 1}},
        {{0.6f, -0.6f}, 135.0f, {0.7071f, -0.7071f}},
        {{0.1f, 0.15f}, 135.0f, {0.7071f, -0.7071f}},  // inside the dead zone
        {{-0.3f, 0}, 0.0f, {-1, 0}},
        {{0, 0}, 0.0f, {-1, 0}},
    };
    for (const auto &c : cases) {
        pad.sticks(GAMEPAD_AXIS_RIGHT_X, c.stick);
        runner->bullets.clear();
        runner->gun.cooldown = 0;
        runner->update_player(sound, 0.0f);
        EXPECT_NEAR(runner->gun.rotation, c.rotation, 0.01f) << c.stick.x << "," << c.stick.y;
        ASSERT_EQ(runner->bullets.size(), 1u);
        EXPECT_NEAR(runner->bullets[0].velocity.x, 5.0f * c.flight.x, 1e-3f);
        EXPECT_NEAR(runner->bullets[0].velocity.y, 5.0f * c.flight.y, 1e-3f);
    }
}

// Held, the left mouse button fires at the 26th update, then every 26th.
TEST_F(GamepadPlay, TriggerAndShoulderFireAtTheMouseButtonsRate)
{
    EnsureWindowAndAudio();
    for (int button : {GAMEPAD_BUTTON_RIGHT_TRIGGER_2, GAMEPAD_BUTTON_RIGHT_TRIGGER_1}) {
        ScopedPad pad;
        runner->gun = Gun();
        played.clear();
        pad.hold(button, true);
        std::vector<int> shots;
        for (int i = 1; i <= 80; ++i) {
            const std::size_t before = runner->bullets.size();
            runner->update_player(sound, 0.0f);
            if (runner->bullets.size() > before) shots.push_back(i);
        }
        EXPECT_EQ(shots, (std::vector<int>{26, 52, 78})) << button;
        EXPECT_EQ(count("shoot"), 3) << button;
    }
}

TEST_F(GamepadPlay, ADrinksAPotionAndYLeavesOnlyAFinishedLevel)
{
    EnsureWindowAndAudio();
    const struct {
        const char *name;
        int button, health, potions;
        bool enemyLeft;
        int toHealth, toPotions;
        GameState toState;
    } cases[] = {
        {"A drinks", GAMEPAD_BUTTON_RIGHT_FACE_DOWN, 60, 2, true, 100, 1, STATE_INGAME},
        {"A at full health", GAMEPAD_BUTTON_RIGHT_FACE_DOWN, 100, 2, true, 100, 2, STATE_INGAME},
        {"A without potions", GAMEPAD_BUTTON_RIGHT_FACE_DOWN, 30, 0, true, 30, 0, STATE_INGAME},
        {"Y while an enemy lives", GAMEPAD_BUTTON_RIGHT_FACE_UP, 60, 2, true, 60, 2, STATE_INGAME},
        {"Y on a finished level", GAMEPAD_BUTTON_RIGHT_FACE_UP, 60, 2, false, 60, 2, STATE_SHOP},
        {"X does neither", GAMEPAD_BUTTON_RIGHT_FACE_LEFT, 60, 2, false, 60, 2, STATE_INGAME},
    };
    for (const auto &c : cases) {
        runner->reset();
        runner->enemies.clear();
        if (c.enemyLeft) runner->enemies.emplace_back(500, 500);
        runner->player.health = c.health;
        inventory.removeHPotions(inventory.gethPotions());
        inventory.addHPotions(c.potions);
        state = STATE_INGAME;
        played.clear();
        ScopedPad pad;
        pad.hold(c.button, true);
        update();
        EXPECT_EQ(runner->player.health, c.toHealth) << c.name;
        EXPECT_EQ(inventory.gethPotions(), c.toPotions) << c.name;
        EXPECT_EQ(count("hPotion"), c.toPotions < c.potions ? 1 : 0) << c.name;
        EXPECT_EQ(state, c.toState) << c.name;
    }
}

// The player's centre is world (48, 48) and sits at window (225, 225).
TEST_F(GamepadPlay, TheDeviceUsedLastAims)
{
    EnsureWindowAndAudio();
    ScopedPad pad;
    const struct {
        const char *name;
        std::function<void()> act;
        float rotation;
    } steps[] = {
        {"the mouse moves right", [] { InjectMousePosition(450, 225); }, 180.0f},
        {"the right stick points up", [&] { pad.stick(GAMEPAD_AXIS_RIGHT_Y, -1.0f); }, 90.0f},
        {"the stick rests, the mouse stays", [&] { pad.stick(GAMEPAD_AXIS_RIGHT_Y, 0.0f); }, 90.0f},
        {"the mouse moves below", [] { InjectMousePosition(225, 450); }, 270.0f},
        {"the view scrolls: the mouse's aim follows", [this] { runner->camera.target.x += 40.0f; }, 251.565f},
        {"the trigger is pulled: the aim stays put as the view scrolls back",
         [&] {
             pad.hold(GAMEPAD_BUTTON_RIGHT_TRIGGER_2, true);
             runner->camera.target.x -= 40.0f;
         },
         251.565f},
        {"the trigger held on, the mouse clicks in place", [] { InjectMouseButton(MOUSE_BUTTON_LEFT, true); }, 270.0f},
    };
    for (const auto &s : steps) {
        s.act();
        runner->update_player(sound, 0.0f);
        EXPECT_NEAR(runner->gun.rotation, s.rotation, 0.01f) << s.name;
    }
    InjectMouseButton(MOUSE_BUTTON_LEFT, false);
}

}  // namespace
