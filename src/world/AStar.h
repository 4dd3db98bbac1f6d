#pragma once

#include <vector>

#include "world/Vec2.h"
#include "world/WallGrid.h"

// One entry of the open list of a path search.
struct Node {
    Vec2 pos;
    int g;
    int h;
    Vec2 parent;

    int f() const { return g + h; }
    // Only f orders the open list; among equal f the heap's own moves decide
    // (AStar.cpp's OpenList, the same on every build).
    bool operator>(const Node &other) const { return f() > other.f(); }
};

// The shortest four-connected path over the wall grid from start to goal,
// both included, or an empty list when none is found within 1000 removals
// from the open list. Both tiles must lie inside the grid.
std::vector<Vec2> AStar(const WallGrid &grid, Vec2 start, Vec2 goal);

// The same search with another cap on the removals from the open list.
std::vector<Vec2> AStarCapped(const WallGrid &grid, Vec2 start, Vec2 goal, int maxRemovals);
