#include "world/AStar.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdlib>

namespace {

constexpr int kMaxRemovals = 1000;
constexpr Vec2 kNoTile{-1, -1};

int manhattan(Vec2 a, Vec2 b) { return std::abs(a.x - b.x) + std::abs(a.y - b.y); }

template <typename T> using Table = std::array<std::array<T, kMapTiles>, kMapTiles>;

// The open list, a binary heap of the game's own. Which of two entries of
// equal f leaves first decides the birds' paths, and the standard libraries'
// heaps settle such ties each their own way (the page's libc++ unlike the
// desktop's libstdc++). This one moves entries exactly as libstdc++'s
// std::priority_queue does, so the desktop's birds walk as they always have
// and every build's walk alike.
class OpenList {
public:
    explicit OpenList(std::size_t room) { heap.reserve(room); }

    bool empty() const { return heap.empty(); }
    const Node &top() const { return heap.front(); }

    void push(const Node &node)
    {
        heap.push_back(node);
        climb(heap.size() - 1, node);
    }

    // The hole left at the top walks down to a leaf, taking the earlier child
    // unless the later one leaves sooner; the last entry then climbs into it.
    void pop()
    {
        const Node last = heap.back();
        heap.pop_back();
        const std::size_t size = heap.size();
        if (size == 0) return;
        std::size_t hole = 0, child = 0;
        while (child < (size - 1) / 2) {
            child = 2 * (child + 1);
            if (leavesLater(heap[child], heap[child - 1])) child--;
            heap[hole] = heap[child];
            hole = child;
        }
        if (size % 2 == 0 && child == (size - 2) / 2) {
            child = 2 * (child + 1);
            heap[hole] = heap[child - 1];
            hole = child - 1;
        }
        climb(hole, last);
    }

private:
    static bool leavesLater(const Node &a, const Node &b) { return a > b; }

    void climb(std::size_t hole, const Node &node)
    {
        while (hole > 0) {
            const std::size_t parent = (hole - 1) / 2;
            if (!leavesLater(heap[parent], node)) break;
            heap[hole] = heap[parent];
            hole = parent;
        }
        heap[hole] = node;
    }

    std::vector<Node> heap;
};

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
    OpenList open(kMapTiles * kMapTiles);

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
