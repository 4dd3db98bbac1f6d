// The gun's aim and reload, and the bullets' flight: whole-pixel moves,
// hits, ricochets, and walls that even the fastest bullet cannot skip.
#include <cfloat>
#include <cmath>

#include "LevelFixture.h"

namespace {

using Bullets = LevelFixture;

TEST_F(Bullets, HeldFireShootsAfterTwentyFiveUpdatesThenEveryTwentySix)
{
    InjectMouseButton(MOUSE_BUTTON_LEFT, true);
    std::vector<int> shots;
    for (int i = 1; i <= 80; ++i) {
        const std::size_t before = runner->bullets.size();
        runner->update_player(sound, 0.0f);
        if (runner->bullets.size() > before) shots.push_back(i);
    }
    InjectMouseButton(MOUSE_BUTTON_LEFT, false);
    EXPECT_EQ(shots, (std::vector<int>{26, 52, 78}));
    EXPECT_EQ(count("shoot"), 3);
}

// With the mouse on the player's centre the gun points at 0 degrees: the
// bullet appears 40 pixels to the left and flies left.
TEST_F(Bullets, AimFollowsTheMouseThroughTheCamera)
{
    EnsureWindowAndAudio();
    upgrades.get("bulletspeed")->buy(inventory);
    runner->startLevel(upgrades);
    runner->gun.cooldown = 0;
    const struct {
        Vector2 window;  // mouse in window pixels (600x450: 1.875 per virtual pixel)
        float rotation;
        int x, y;
        float vx, vy;
    } cases[] = {
        {{225, 225}, 0.0f, 8, 48, -7.5f, 0.0f},       // on the player: virtual (120, 120)
        {{450, 225}, 180.0f, 88, 48, 7.5f, 0.0f},     // to the right
        {{225, 412.5f}, 270.0f, 48, 88, 0.0f, 7.5f},  // below (y down)
    };
    InjectMouseButton(MOUSE_BUTTON_LEFT, true);
    for (const auto &c : cases) {
        runner->bullets.clear();
        runner->gun.cooldown = 0;
        InjectMousePosition(int(c.window.x), int(c.window.y));
        runner->update_player(sound, 0.0f);
        ASSERT_EQ(runner->bullets.size(), 1u);
        const Bullet &b = runner->bullets[0];
        EXPECT_NEAR(runner->gun.rotation, c.rotation, 0.01f);
        EXPECT_EQ(b.x, c.x);
        EXPECT_EQ(b.y, c.y);
        EXPECT_NEAR(b.velocity.x, c.vx, 1e-4f);
        EXPECT_NEAR(b.velocity.y, c.vy, 1e-4f);
    }
    InjectMouseButton(MOUSE_BUTTON_LEFT, false);
}

TEST_F(Bullets, FlightHitsAndRicochets)
{
    const std::string wallColumn5 = "00000100000000000000";
    const struct {
        const char *name;
        std::vector<std::string> rows;  // the map; "" is open
        Bullet bullet;
        std::vector<Enemy> enemies;
        int steps;
        bool removed;
        int x, y;
        Vector2 velocity;
        unsigned bounces;
        int hits;
    } cases[] = {
        {"0.9 truncates to no move", {}, {100, 100, 2, {0.9f, 0}, 0}, {}, 3, false, 100, 100, {0.9f, 0}, 0, 0},
        {"-0.9 moves a pixel a step", {}, {100, 100, 2, {-0.9f, 0}, 0}, {}, 2, false, 98, 100, {-0.9f, 0}, 0, 0},
        {"on the left edge is no hit",
         {},
         {95, 110, 2, {5, 0}, 0},
         {Enemy(100, 100)},
         1,
         false,
         100,
         110,
         {5, 0},
         0,
         0},
        {"a pixel inside is a hit", {}, {96, 110, 2, {5, 0}, 0}, {Enemy(100, 100)}, 1, true, 0, 0, {}, 0, 1},
        {"one bullet kills two",
         {},
         {96, 110, 2, {5, 0}, 0},
         {Enemy(100, 100), Enemy(90, 95)},
         1,
         true,
         0,
         0,
         {},
         0,
         2},
        {"into a wall at the side",
         {"", "", "", wallColumn5},
         {158, 100, 2, {5, 1}, 1},
         {},
         1,
         false,
         163,
         101,
         {-5, 1},
         0,
         0},
        {"into a wall below",
         {"", "", "", "", "00010"},
         {100, 126, 2, {3, 5}, 2},
         {},
         1,
         false,
         103,
         131,
         {3, -5},
         1,
         0},
        {"into a corner",
         {"", "", "", "000001", "000011"},
         {158, 126, 2, {5, 5}, 1},
         {},
         1,
         false,
         163,
         131,
         {-5, -5},
         0,
         0},
        {"into a wall without ricochets",
         {"", "", "", wallColumn5},
         {158, 100, 2, {5, 0}, 0},
         {},
         1,
         true,
         0,
         0,
         {},
         0,
         0},
        {"born in a wall, with a ricochet",
         {"", "", "", wallColumn5},
         {170, 100, 2, {1, 0}, 1},
         {},
         1,
         false,
         171,
         100,
         {-1, 0},
         0,
         0},
        {"born in a wall, without", {"", "", "", wallColumn5}, {170, 100, 2, {1, 0}, 0}, {}, 1, true, 0, 0, {}, 0, 0},
        {"32 a frame lands exactly", {}, {100, 100, 2, {32, -32}, 0}, {}, 1, false, 132, 68, {32, -32}, 0, 0},
        {"40 a frame cannot skip a wall",
         {"", "", "", wallColumn5},
         {155, 100, 2, {40, 0}, 1},
         {},
         1,
         false,
         175,
         100,
         {-40, 0},
         0,
         0},
        {"nor a target", {}, {100, 110, 2, {60, 0}, 0}, {Enemy(130, 100)}, 1, true, 0, 0, {}, 0, 1},
        // As fast as about 58, 200 or any number of speed purchases make it.
        {"1e12 a frame", {}, {100, 110, 2, {1e12f, 0}, 0}, {Enemy(150, 100)}, 1, true, 0, 0, {}, 0, 1},
        {"8e35 a frame", {}, {100, 110, 2, {8e35f, 0}, 0}, {Enemy(150, 100)}, 1, true, 0, 0, {}, 0, 1},
        {"FLT_MAX a frame", {}, {100, 110, 2, {FLT_MAX, 0}, 0}, {Enemy(150, 100)}, 1, true, 0, 0, {}, 0, 1},
        {"leaving the map removes it", {}, {630, 100, 2, {20, 0}, 3}, {}, 1, true, 0, 0, {}, 0, 0},
        {"on either side", {}, {5, 100, 2, {-10, 0}, 3}, {}, 1, true, 0, 0, {}, 0, 0},
    };
    for (const auto &c : cases) {
        std::string map;
        for (const std::string &row : c.rows)
            map += row + "\n";
        build(map);
        played.clear();
        runner->bullets = {c.bullet};
        runner->enemies = c.enemies;
        std::vector<int> hits;
        for (int i = 0; i < c.steps; ++i)
            runner->update_bullets(hits, sound);
        EXPECT_EQ(int(hits.size()), c.hits) << c.name;
        EXPECT_EQ(count("hit"), c.hits) << c.name;
        ASSERT_EQ(runner->bullets.empty(), c.removed) << c.name;
        if (c.removed) continue;
        const Bullet &b = runner->bullets[0];
        EXPECT_EQ(b.x, c.x) << c.name;
        EXPECT_EQ(b.y, c.y) << c.name;
        EXPECT_EQ(b.velocity.x, c.velocity.x) << c.name;
        EXPECT_EQ(b.velocity.y, c.velocity.y) << c.name;
        EXPECT_EQ(b.bounces, c.bounces) << c.name;
    }
}

// A mouse that maps to no point (as a window of 0 pixels once made it) keeps
// the last aim, and a speed bought past the largest float flies as the largest.
TEST_F(Bullets, NoNumberReachesAShot)
{
    EnsureWindowAndAudio();
    runner->gun.rotation = 90.0f;
    runner->camera.target = {NAN, NAN};
    runner->gun.updateRot(runner->camera, runner->player);
    runner->shoot(INFINITY, 0);
    EXPECT_EQ(runner->gun.rotation, 90.0f);
    EXPECT_EQ(runner->bullets.at(0).velocity.y, -FLT_MAX);  // straight up
}

TEST_F(Bullets, LevelStartTakesBulletValuesFromTheUpgrades)
{
    upgrades.get("bulletricochet")->buy(inventory);
    upgrades.get("bulletricochet")->buy(inventory);
    upgrades.get("goldspawns")->buy(inventory);
    runner->startLevel(upgrades);
    EXPECT_EQ(runner->gun.ricochet, 2.0f);
    EXPECT_EQ(runner->gun.bulletSpeed, 5.0f);
    EXPECT_FLOAT_EQ(runner->goldManager.spawnChance, 0.55f);
}

}  // namespace
