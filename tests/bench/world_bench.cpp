// Path searches and enemy updates: what the level pays per frame for its
// chasing enemies.
#include <benchmark/benchmark.h>

#include "world/AStar.h"
#include "world/Enemy.h"

namespace {

WallGrid corridors()
{
    // Walls across every other row with the gap alternating sides: one long
    // serpentine corridor through the whole map.
    WallGrid grid{};
    for (int row = 1; row < kMapTiles; row += 2)
        for (int column = 0; column < kMapTiles; ++column)
            grid[row][column] = (row % 4 == 1) ? column != 19 : column != 0;
    return grid;
}

void BM_AStarOpenMap(benchmark::State &state)
{
    const WallGrid grid{};
    for (auto _ : state)
        benchmark::DoNotOptimize(AStar(grid, {0, 0}, {19, 19}));
}
BENCHMARK(BM_AStarOpenMap);

void BM_AStarCorridor(benchmark::State &state)
{
    const WallGrid grid = corridors();
    for (auto _ : state)
        benchmark::DoNotOptimize(AStar(grid, {0, 0}, {0, 18}));
}
BENCHMARK(BM_AStarCorridor);

void BM_AStarUnreachable(benchmark::State &state)
{
    WallGrid grid{};
    grid[18][19] = grid[19][18] = true;  // the goal's corner is sealed off
    for (auto _ : state)
        benchmark::DoNotOptimize(AStar(grid, {0, 0}, {19, 19}));
}
BENCHMARK(BM_AStarUnreachable);

// One enemy update that runs its path search, across the open arena.
void BM_EnemyUpdateWithSearch(benchmark::State &state)
{
    WallGrid grid{};
    Player player(600, 600, 32, 32);
    Enemy enemy(0, 0);
    for (auto _ : state) {
        enemy.x = 0.0f;
        enemy.y = 0.0f;
        enemy.repathTimer = enemy.repathInterval;
        enemy.update(1.0f / 60.0f, player, grid);
        benchmark::DoNotOptimize(enemy.path.data());
    }
}
BENCHMARK(BM_EnemyUpdateWithSearch);

}  // namespace

BENCHMARK_MAIN();
