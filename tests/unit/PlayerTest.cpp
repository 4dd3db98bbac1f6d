// The player: spawn search, per-axis movement against walls, and the camera
// that its draw step points and clamps.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "world/Player.h"

namespace {

GameMap mapOf(const WallGrid &grid)
{
    GameMap map;
    map.walls = grid;
    return map;
}

const WallGrid kOpen{};
// A wall in column 0 and a floor strip along the top with a wall under it.
const WallGrid kLeftWall = GridOf({"1000", "1000", "1000", "1111"});

TEST(PlayerSpawn, FirstFloorTileInReadingOrder)
{
    WallGrid allWalls;
    for (auto &row : allWalls)
        row.fill(true);
    const struct {
        WallGrid grid;
        int x, y;
    } cases[] = {
        {kOpen, 0, 0},
        {GridOf({"11111111111111111111", "11100"}), 96, 32},
        {allWalls, 0, 0},
    };
    for (const auto &c : cases) {
        GameMap map = mapOf(c.grid);
        Player player(10, 10, 32, 32);
        player.findSpawn(map);
        EXPECT_EQ(player.x, c.x);
        EXPECT_EQ(player.y, c.y);
    }
}

TEST(PlayerMovement, StepsCollideAxisByAxis)
{
    const struct {
        const char *name;
        WallGrid grid;
        int x, y;
        std::initializer_list<int> keys;
        float dt;
        int toX, toY, animRow;
    } cases[] = {
        {"one pixel at 60 fps", kOpen, 100, 100, {KEY_D}, 1.0f / 60.0f, 101, 100, 16},
        {"five pixels at 0.05 s", kOpen, 100, 100, {KEY_DOWN}, 0.05f, 100, 105, 16},
        {"arrows and letters add per axis", kOpen, 100, 100, {KEY_W, KEY_LEFT}, 0.05f, 95, 95, 16},
        {"A and D cancel", kOpen, 100, 100, {KEY_A, KEY_D}, 0.05f, 100, 100, 0},
        {"a wall at the side stops", kLeftWall, 32, 0, {KEY_A}, 0.05f, 32, 0, 0},
        {"a wall at the side is slid along", kLeftWall, 32, 0, {KEY_A, KEY_S}, 0.05f, 32, 5, 16},
        {"a wall below stops a diagonal entirely", kLeftWall, 32, 64, {KEY_D, KEY_S}, 0.05f, 32, 64, 0},
        {"a blocked move is undone, not shortened", kLeftWall, 34, 0, {KEY_A}, 0.03f, 34, 0, 0},
        {"the map's left edge without a border", kOpen, 0, 100, {KEY_A}, 1.0f / 60.0f, 0, 100, 0},
        {"the map's right edge without a border", kOpen, 608, 100, {KEY_D}, 1.0f / 60.0f, 608, 100, 0},
        {"a stall never jumps a wall", GridOf({"", "001"}), 0, 32, {KEY_D}, 1.0f, 32, 32, 16},
        {"a stall in the open covers the full distance", kOpen, 100, 100, {KEY_D}, 0.5f, 150, 100, 16},
        {"no frame time, no move", kOpen, 100, 100, {KEY_D}, 0.0f, 100, 100, 0},
    };
    for (const auto &c : cases) {
        GameMap map = mapOf(c.grid);
        Player player(c.x, c.y, 32, 32);
        player.animRow = 16;
        HeldKeys held(c.keys);
        player.update(c.dt, 640, map);
        EXPECT_EQ(player.x, c.toX) << c.name;
        EXPECT_EQ(player.y, c.toY) << c.name;
        EXPECT_EQ(player.animRow, c.animRow) << c.name;
    }
}

TEST(PlayerCamera, FollowsThePlayerInsideTheMap)
{
    EnsureWindowAndAudio();
    RenderTexture target = LoadRenderTexture(320, 240);
    Texture none{};
    Shader shader{};
    const struct {
        int x, y;
        float tx, ty;
    } cases[] = {{10, 10, 120, 120}, {600, 600, 520, 520}, {300, 200, 316, 216}, {0, 500, 120, 516}};
    for (const auto &c : cases) {
        Player player(c.x, c.y, 32, 32);
        Camera2D camera{{120, 120}, {0, 0}, 0.0f, 1.0f};
        BeginTextureMode(target);
        player.draw(&none, 0, &camera, 640, 0, &shader, 25.0f);
        EndTextureMode();
        EXPECT_FLOAT_EQ(camera.target.x, c.tx) << c.x << "," << c.y;
        EXPECT_FLOAT_EQ(camera.target.y, c.ty) << c.x << "," << c.y;
    }
    UnloadRenderTexture(target);
}

}  // namespace
