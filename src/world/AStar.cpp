#include "world/AStar.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <functional>
#include <queue>

namespace {

constexpr int kMaxRemovals = 1000;
constexpr Vec2 kNoTile{-1, -1};

int manhattan(Vec2 a, Vec2 b) { return std::abs(a.x - b.x) + std::abs(a.y - b.y); }

template <typename T> using Table = std::array<std::array<T, kMapTiles>, kMapTiles>;

}  // namespace

std::vector<Vec2> AStar(const WallGrid &grid, Vec2 start, Vec2 goal)
{
    return AStarCapped(grid, start, goal, kMaxRemovals);
}

std::vector<Vec2> AStarCapped(const WallGrid &grid, Vec2 start, Vec2 goal, int maxRemovals)
{
    Table<bool> closed{};
    Table<Vec2> cameFrom;
    Table<int> bestCost;
    for (auto &row : cameFrom)
        row.fill(kNoTile);
    for (auto &row : bestCost)
        row.fill(INT_MAX);

    // Room for a tile's worth of entries up front: a search across the map
    // rarely grows the heap past it.
    std::vector<Node> storage;
    storage.reserve(kMapTiles * kMapTiles);
    std::priority_queue<Node, std::vector<Node>, std::greater<Node>> open(std::greater<Node>(), std::move(storage));

    open.push(Node{start, 0, manhattan(start, goal), kNoTile});
    bestCost[start.y][start.x] = 0;

    static constexpr Vec2 kSteps[4] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    bool found = false;
    for (int removals = 0; !open.empty() && removals < maxRemovals;) {
        ++removals;
        const Node current = open.top();
        open.pop();
        const Vec2 p = current.pos;
        if (closed[p.y][p.x]) continue;
        closed[p.y][p.x] = true;
        if (!(current.parent == kNoTile)) cameFrom[p.y][p.x] = current.parent;
        if (p == goal) {
            found = true;
            break;
        }
        for (const Vec2 step : kSteps) {
            const Vec2 next{p.x + step.x, p.y + step.y};
            if (!InGrid(next.x, next.y) || grid[next.y][next.x] || closed[next.y][next.x]) continue;
            const int cost = current.g + 1;
            if (cost < bestCost[next.y][next.x]) {
                bestCost[next.y][next.x] = cost;
                open.push(Node{next, cost, manhattan(next, goal), p});
            }
        }
    }
    if (!found) return {};

    std::vector<Vec2> path{goal};
    while (!(path.back() == start)) {
        const Vec2 previous = cameFrom[path.back().y][path.back().x];
        if (previous == kNoTile) return {};  // cannot happen: every closed tile but the start has a parent
        path.push_back(previous);
    }
    std::reverse(path.begin(), path.end());
    return path;
}
