// Pausing play: the level stands still in every update and every draw, the
// window losing its focus pauses it, and only the player resumes it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/Game.h"

namespace {

bool g_focused = true;

class PauseFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureWindowAndAudio();
        g_focused = true;
        for (const char *name : {"data/map", "data/maprender"}) {
            std::ifstream in(std::string(TALLOWFEN_SOURCE_DIR) + "/" + name);
            dir.write(name, std::string(std::istreambuf_iterator<char>(in), {}));
        }
        game = std::make_unique<Game>();
        game->pause.windowFocused = [] { return g_focused; };
        game->startNewGameAt(3);
        target = LoadRenderTexture(320, 240);
    }

    void TearDown() override
    {
        InjectMouseButton(MOUSE_BUTTON_LEFT, false);
        InjectKey(KEY_P, false);
        UnloadRenderTexture(target);
        StopMusicStream(game->assets.fetchMusic("menu"));
        StopMusicStream(game->assets.fetchMusic("ingame"));
    }

    // One frame as the game's loop runs it; the poll at its end makes a key
    // put down before it count as pressed in this frame only. Returns the
    // virtual screen's pixels.
    std::vector<unsigned> frame()
    {
        game->update(&quit);
        BeginTextureMode(target);
        ClearBackground(BLACK);
        game->draw();
        EndTextureMode();
        BeginDrawing();
        EndDrawing();
        Image image = LoadImageFromTexture(target.texture);
        std::vector<unsigned> pixels;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) {
                const Color c = GetImageColor(image, x, y);
                pixels.push_back(unsigned(c.r) << 16 | unsigned(c.g) << 8 | c.b);
            }
        UnloadImage(image);
        return pixels;
    }

    void pressP()
    {
        InjectKey(KEY_P, true);
        frame();
        InjectKey(KEY_P, false);
    }

    // Everything of the level that an update or a draw may change.
    std::string snapshot() const
    {
        const GameRunner &r = game->runner;
        std::ostringstream out;
        out << "anim " << game->animTick << " " << game->animFrame << " freeze " << r.freezeFrames << " camera "
            << r.camera.offset.x << "," << r.camera.offset.y << " " << r.camera.target.x << "," << r.camera.target.y
            << " player " << r.player.x << "," << r.player.y << " " << r.player.health << " cooldown " << r.gun.cooldown
            << " hud " << game->hud.healthString << "\n";
        for (const Enemy &enemy : r.enemies)
            out << "enemy " << enemy.getX() << "," << enemy.getY() << "\n";
        for (const EnemyDeath &death : r.enemyDeaths)
            out << "death " << death.frame << "\n";
        for (const Bullet &bullet : r.bullets)
            out << "bullet " << bullet.x << "," << bullet.y << "\n";
        return out.str();
    }

    ScopedWorkDir dir;
    std::unique_ptr<Game> game;
    RenderTexture target{};
    bool quit = false;
};

TEST_F(PauseFixture, PKeyFreezesUpdatesAndThePictureUntilPressedAgain)
{
    // Firing at the right of the view so bullets fly while the level pauses.
    InjectMousePosition(560, 225);
    InjectMouseButton(MOUSE_BUTTON_LEFT, true);
    // Until a bullet is in flight: a hit-stop may hold the first shot back.
    for (int i = 0; i < 300 && game->runner.bullets.empty(); ++i)
        frame();
    ASSERT_EQ(game->state, STATE_INGAME);
    ASSERT_FALSE(game->runner.bullets.empty());
    ASSERT_FALSE(game->runner.enemies.empty());
    // A death animation steps in every draw made at tick 0: the pause keeps
    // the tick there, so only the frozen draw keeps the animation still.
    game->runner.enemyDeaths.emplace_back(game->runner.player.x, game->runner.player.y);
    game->animTick = 0;

    pressP();
    ASSERT_TRUE(game->pause.paused);
    const std::string held = snapshot();
    const std::vector<unsigned> picture = frame();
    for (int i = 0; i < 150; ++i) {
        EXPECT_EQ(frame(), picture) << "frame " << i << " of the pause";
        ASSERT_EQ(snapshot(), held) << "frame " << i << " of the pause";
    }
    pressP();
    EXPECT_FALSE(game->pause.paused);
    for (int i = 0; i < 30; ++i)
        frame();
    EXPECT_NE(snapshot(), held);
    EXPECT_NE(game->animTick, 0);

    // Leaving play clears the pause: the next level starts unpaused.
    pressP();
    ASSERT_TRUE(game->pause.paused);
    game->state = STATE_SHOP;
    game->enterState(STATE_INGAME);
    frame();
    EXPECT_FALSE(game->pause.paused);
    game->state = STATE_INGAME;
    game->enterState(STATE_SHOP);
    const int tick = game->animTick;
    frame();
    EXPECT_FALSE(game->pause.paused);
    EXPECT_NE(game->animTick, tick);
}

TEST_F(PauseFixture, LosingTheWindowFocusPausesAndOnlyThePlayerResumes)
{
    for (int i = 0; i < 5; ++i)
        frame();
    EXPECT_FALSE(game->pause.paused);

    g_focused = false;
    frame();
    EXPECT_TRUE(game->pause.paused);
    const std::string held = snapshot();
    g_focused = true;
    for (int i = 0; i < 20; ++i)
        frame();
    EXPECT_TRUE(game->pause.paused) << "the focus coming back does not resume";
    EXPECT_EQ(snapshot(), held);

    // Start on any pad resumes as P does.
    PlayAutomationEvent(AutomationEvent{0, 9, {2, 0, 0, 0}});
    PlayAutomationEvent(AutomationEvent{0, 12, {2, GAMEPAD_BUTTON_MIDDLE_RIGHT, 0, 0}});
    frame();
    PlayAutomationEvent(AutomationEvent{0, 11, {2, GAMEPAD_BUTTON_MIDDLE_RIGHT, 0, 0}});
    PlayAutomationEvent(AutomationEvent{0, 10, {2, 0, 0, 0}});
    EXPECT_FALSE(game->pause.paused);
    frame();
    EXPECT_NE(snapshot(), held);
}

}  // namespace
