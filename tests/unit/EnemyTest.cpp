// Enemies: when they search, how they follow and slide, the shared count of
// stuck updates, their nearest-open-tile search, and the death animation.
#include <gtest/gtest.h>

#include <cstdlib>

#include "sim/SimRandom.h"
#include "TestSupport.h"
#include "world/Enemy.h"
#include "world/EnemyDeath.h"

namespace {

constexpr float kFrame = 1.0f / 60.0f;

class EnemyTest : public ::testing::Test {
protected:
    void SetUp() override { Enemy::stuckCounter = 0; }

    WallGrid grid{};
    Player player{400, 400, 32, 32};
};

TEST_F(EnemyTest, FirstSearchComesAtTheFifteenthUpdate)
{
    Enemy enemy(64, 64);
    for (int i = 1; i <= 14; ++i)
        enemy.update(kFrame, player, grid);
    EXPECT_TRUE(enemy.path.empty());
    EXPECT_EQ(enemy.x, 64.0f);
    EXPECT_EQ(enemy.y, 64.0f);
    enemy.update(kFrame, player, grid);
    ASSERT_FALSE(enemy.path.empty());
    EXPECT_GT(enemy.x + enemy.y, 128.0f) << "follows the new path at once";
    EXPECT_EQ(enemy.repathTimer, 0.0f);
}

TEST_F(EnemyTest, PathIsJitteredTileCentresEndingAtThePlayer)
{
    SimRandom::level.seed(5);
    Enemy enemy(64, 64);
    enemy.pathfind(player, grid);
    ASSERT_EQ(enemy.path.size(), 21u);  // tiles (2,2) to (12,12)
    EXPECT_EQ(enemy.pathIndex, 1);
    for (std::size_t i = 0; i + 1 < enemy.path.size(); ++i) {
        const int jx = enemy.path[i].x % 32 - 16, jy = enemy.path[i].y % 32 - 16;
        EXPECT_TRUE(jx >= -4 && jx <= 3 && jy >= -4 && jy <= 3) << "waypoint " << i;
    }
    EXPECT_EQ(enemy.path.back(), (Vec2{416, 416}));

    // Nothing found (the player walled in): the old path stays.
    for (int i = 10; i <= 14; ++i)
        grid[11][i] = grid[13][i] = grid[i][11] = grid[i][13] = true;
    enemy.pathIndex = 3;
    const auto old = enemy.path;
    enemy.pathfind(player, grid);
    EXPECT_EQ(enemy.path, old);
    EXPECT_EQ(enemy.pathIndex, 3);
}

TEST_F(EnemyTest, SameTileAsThePlayerStandsStillUntilTheNextSearch)
{
    Enemy enemy(384, 384);  // centre (400, 400): the player's tile
    enemy.repathTimer = 14.0f;
    enemy.update(kFrame, player, grid);
    EXPECT_EQ(enemy.path, (std::vector<Vec2>{{416, 416}}));
    EXPECT_EQ(enemy.pathIndex, 1);
    for (int i = 0; i < 14; ++i)
        enemy.update(kFrame, player, grid);
    EXPECT_EQ(enemy.x, 384.0f);
    EXPECT_EQ(enemy.repathTimer, 14.0f) << "searches again only on its timer";
}

// The enemy's centre is (100, 100); waypoint 1 lies at the given distance.
TEST_F(EnemyTest, WaypointsWithinTwentyPixelsArePassed)
{
    const struct {
        std::vector<Vec2> path;
        int pathIndex;
        float repathTimer;
        bool movedRight;
    } cases[] = {
        {{{0, 0}, {120, 100}, {200, 100}}, 2, 1.0f, true},
        {{{0, 0}, {121, 100}, {200, 100}}, 1, 1.0f, true},
        {{{0, 0}, {100, 80}}, 2, 15.0f, false},  // all passed: search next update
    };
    for (const auto &c : cases) {
        Enemy enemy(84, 84);
        enemy.path = c.path;
        enemy.pathIndex = 1;
        enemy.update(kFrame, player, grid);
        EXPECT_EQ(enemy.pathIndex, c.pathIndex);
        EXPECT_EQ(enemy.repathTimer, c.repathTimer);
        EXPECT_EQ(enemy.x > 84.0f, c.movedRight);
        EXPECT_EQ(enemy.y, 84.0f);
    }
}

TEST_F(EnemyTest, BlockedStepsSlideAlongWalls)
{
    const WallGrid wallRight = GridOf({"", "", "00001", "00001"});  // x 128..159, y 64..127
    const WallGrid floorBelow = GridOf({"", "", "", "", "11111"});  // walls from y 128
    const WallGrid corner = GridOf({"", "", "00001", "00001", "00111"});
    const struct {
        const char *name;
        WallGrid grid;
        float x, y;
        Vec2 waypoint;
        float dt;
        float toX, toY;
        int facingRow;
    } cases[] = {
        {"straight", {}, 96, 96, {300, 112}, 0.2f, 111, 96, 0},
        {"x only along a wall below", floorBelow, 64, 94, {200, 200}, 0.2f, 76, 94, 0},
        {"y only along a wall at the right", wallRight, 96, 64, {200, 200}, 0.2f, 96, 76.0960f, 0},
        {"half a step into a corner", corner, 95, 95, {200, 200}, 0.05f, 96.3258f, 96.3258f, 0},
        {"no x step faces the second row", {}, 96, 96, {112, 300}, 0.2f, 96, 111, 16},
        {"a long frame stops short of a wall", GridOf({"", "", "", "0010"}), 0, 96, {300, 112}, 2.0f, 30, 96, 0},
    };
    for (const auto &c : cases) {
        Enemy enemy(0, 0);
        enemy.x = c.x;
        enemy.y = c.y;
        enemy.path = {{0, 0}, c.waypoint, {c.waypoint.x + 100, c.waypoint.y}};
        enemy.pathIndex = 1;
        WallGrid g = c.grid;
        enemy.update(c.dt, player, g);
        EXPECT_NEAR(enemy.x, c.toX, 1e-3) << c.name;
        EXPECT_NEAR(enemy.y, c.toY, 1e-3) << c.name;
        EXPECT_EQ(enemy.facingRow, c.facingRow) << c.name;
    }
}

TEST_F(EnemyTest, StuckCounterIsSharedByAllEnemies)
{
    constexpr float kLong = 0.5f;  // steps too long to fit in the box's own tile
    // Boxed in: walls on every side of tile (5, 5), a waypoint to the right.
    grid = GridOf({"", "", "", "", "000001", "000010100", "000001"});
    auto stuckEnemy = [] {
        Enemy enemy(160, 160);
        enemy.path = {{0, 0}, {300, 300}, {400, 300}};
        enemy.pathIndex = 1;
        return enemy;
    };
    Enemy alone = stuckEnemy();
    for (int i = 0; i < 31; ++i)
        alone.update(kLong, player, grid);
    EXPECT_EQ(alone.repathTimer, 15.0f) << "31 stuck updates force a search";
    EXPECT_EQ(Enemy::stuckCounter, 0);

    // Beside a moving enemy the stuck one only searches on its own timer.
    Enemy stuck = stuckEnemy();
    Enemy free(400, 64);
    free.path = {{0, 0}, {600, 80}, {600, 200}};
    free.pathIndex = 1;
    for (int i = 1; i <= 40; ++i) {
        stuck.update(kLong, player, grid);
        free.update(kFrame, player, grid);
        ASSERT_EQ(stuck.repathTimer, float(i % 15)) << "update " << i;
    }
    EXPECT_EQ(Enemy::stuckCounter, 0);
}

TEST_F(EnemyTest, NearestWalkableTileSearchesRingByRing)
{
    Enemy enemy(0, 0);
    WallGrid solid;
    for (auto &row : solid)
        row.fill(true);
    WallGrid two = solid;
    two[9][11] = two[10][12] = false;  // ring 1 (up right) and ring 2
    WallGrid ring1 = solid;
    ring1[10][11] = ring1[9][9] = false;  // the upper row comes first
    const struct {
        WallGrid grid;
        Vec2 tile, found;
    } cases[] = {
        {{}, {10, 10}, {10, 10}},    {two, {10, 10}, {11, 9}},        {ring1, {10, 10}, {9, 9}},
        {solid, {10, 10}, {10, 10}}, {GridOf({"1"}), {0, 0}, {1, 0}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(enemy.findNearestWalkableTile(c.tile, c.grid), c.found);
}

TEST(EnemyDeath, DeadFromTheFifthFrame)
{
    EnemyDeath death(10, 20);
    for (int frame = 0; frame <= 7; ++frame) {
        EXPECT_EQ(death.dead(), frame >= 5) << frame;
        death.incrementFrame();
    }
}

}  // namespace
