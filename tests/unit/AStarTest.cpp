// The path search: its edge cases, its removal cap, and shortest paths
// checked against a breadth-first search on many maps.
#include <gtest/gtest.h>

#include <deque>
#include <random>

#include "TestSupport.h"
#include "world/AStar.h"

namespace {

// Steps of the shortest four-connected path, or -1; the start may be blocked.
int bfsSteps(const WallGrid &grid, Vec2 start, Vec2 goal)
{
    std::array<std::array<int, 20>, 20> steps;
    for (auto &row : steps)
        row.fill(-1);
    steps[start.y][start.x] = 0;
    std::deque<Vec2> todo{start};
    while (!todo.empty()) {
        const Vec2 p = todo.front();
        todo.pop_front();
        for (Vec2 d : {Vec2{1, 0}, Vec2{-1, 0}, Vec2{0, 1}, Vec2{0, -1}}) {
            const Vec2 n{p.x + d.x, p.y + d.y};
            if (!InGrid(n.x, n.y) || grid[n.y][n.x] || steps[n.y][n.x] >= 0) continue;
            steps[n.y][n.x] = steps[p.y][p.x] + 1;
            todo.push_back(n);
        }
    }
    return steps[goal.y][goal.x];
}

// A path from start to goal of single steps over open tiles (the start aside).
void expectValidPath(const std::vector<Vec2> &path, const WallGrid &grid, Vec2 start, Vec2 goal)
{
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.front(), start);
    EXPECT_EQ(path.back(), goal);
    for (std::size_t i = 1; i < path.size(); ++i) {
        EXPECT_EQ(std::abs(path[i].x - path[i - 1].x) + std::abs(path[i].y - path[i - 1].y), 1) << "step " << i;
        EXPECT_FALSE(grid[path[i].y][path[i].x]) << "step " << i;
    }
}

TEST(AStar, EdgeCases)
{
    const WallGrid walled = GridOf({"01", "11"});
    const WallGrid sealed = GridOf({"00100", "00100", "11100"});
    const struct {
        const char *name;
        WallGrid grid;
        Vec2 start, goal;
        std::vector<Vec2> path;
    } cases[] = {
        {"start equals goal", {}, {4, 4}, {4, 4}, {{4, 4}}},
        {"start equals goal on a wall", walled, {1, 1}, {1, 1}, {{1, 1}}},
        {"a blocked goal", walled, {0, 0}, {1, 0}, {}},
        {"a goal no open path reaches", sealed, {0, 0}, {10, 10}, {}},
        {"a blocked start is searched from", GridOf({"1000"}), {0, 0}, {2, 0}, {{0, 0}, {1, 0}, {2, 0}}},
        {"two open tiles side by side", {}, {7, 3}, {7, 4}, {{7, 3}, {7, 4}}},
        {"a corner start with two neighbours", walled, {0, 0}, {0, 0}, {{0, 0}}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(AStar(c.grid, c.start, c.goal), c.path) << c.name;

    const auto corner = AStar({}, {0, 0}, {19, 19});
    expectValidPath(corner, {}, {0, 0}, {19, 19});
    EXPECT_EQ(corner.size(), 39u);
}

// Stale open-list entries count toward the cap like any removal; a search
// cut short returns nothing even though a path exists.
TEST(AStar, RemovalCapEndsTheSearch)
{
    const WallGrid maze = GridOf({"01000", "01010", "01010", "00010"});
    const Vec2 start{0, 0}, goal{4, 0};
    int needed = 1;
    while (AStarCapped(maze, start, goal, needed).empty())
        ASSERT_LT(++needed, 1000);
    EXPECT_GE(needed, 11) << "an 11-tile path needs at least 11 removals";
    EXPECT_EQ(AStarCapped(maze, start, goal, needed), AStar(maze, start, goal));
    EXPECT_TRUE(AStarCapped(maze, start, goal, needed - 1).empty());
    EXPECT_EQ(AStar(maze, start, goal).size(), 11u);
}

TEST(AStar, PathsAreAsShortAsBreadthFirstSearch)
{
    std::mt19937 random(20261207);
    WallGrid rings{};  // concentric walls with one gap each: long detours
    for (int k = 2; k < 10; k += 2)
        for (int i = k; i < 20 - k; ++i)
            rings[k][i] = rings[19 - k][i] = rings[i][k] = rings[i][19 - k] = true;
    for (int k = 2; k < 10; k += 2)
        rings[k][k % 4 == 0 ? 19 - k : k + 1] = false;
    for (int round = 0; round < 600; ++round) {
        WallGrid grid{};
        if (round % 3 == 1) grid = rings;
        if (round % 3 == 2)
            for (auto &row : grid)
                for (auto &cell : row)
                    cell = random() % 100 < 30;
        const Vec2 start{int(random() % 20), int(random() % 20)};
        const Vec2 goal{int(random() % 20), int(random() % 20)};
        grid[goal.y][goal.x] = false;
        const auto path = AStar(grid, start, goal);
        const int steps = bfsSteps(grid, start, goal);
        ASSERT_EQ(int(path.size()) - 1, steps) << "round " << round;
        if (steps >= 0) expectValidPath(path, grid, start, goal);
    }
}

}  // namespace
