#pragma once

#include <vector>

#include "assets/GameAssets.h"
#include "world/Player.h"
#include "world/Vec2.h"
#include "world/WallGrid.h"

// A chasing bird: every 15 updates it searches a path to the player over
// the wall grid, turns the tiles into jittered pixel waypoints and flies
// toward the next one, sliding along walls when the straight step is
// blocked. It holds no health: the level decides when it dies.
class Enemy {
public:
    float x;
    float y;
    int w = 32;
    int h = 32;
    int speed = 75;          // pixels per second
    std::vector<Vec2> path;  // waypoints in map pixels
    int pathIndex = 0;
    float repathTimer = 0.0f;  // updates since the last search
    float repathInterval = 15.0f;
    int facingRow = 0;  // sprite row: 0 while the last step went right, 16 otherwise

    // Consecutive enemy updates, over all enemies, in which nothing moved.
    static int stuckCounter;

    Enemy(int x, int y);

    void update(float dt, Player &player, WallGrid &grid);
    void pathfind(Player &player, WallGrid &grid);
    bool canMoveTo(float nx, float ny, const WallGrid &grid) const;
    Vec2 findNearestWalkableTile(Vec2 tile, const WallGrid &grid) const;
    void draw(GameAssets *assets, int animFrame) const;

    float getX() const { return x; }
    float getY() const { return y; }
    int getW() const { return w; }
    int getH() const { return h; }

private:
    bool tryStep(Vector2 step, const WallGrid &grid);
};
