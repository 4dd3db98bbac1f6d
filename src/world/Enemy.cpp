#include "world/Enemy.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "sim/SimRandom.h"
#include "world/AStar.h"

namespace {

constexpr float kReachRadius = 20.0f;  // a waypoint this close counts as passed
constexpr float kSkipRadius = 50.0f;   // a stuck enemy may skip to a waypoint this close
constexpr int kStuckLimit = 30;
// The longest step tried at once: less than a tile, so even a long frame
// cannot carry a 32-pixel box through a wall; longer steps go in pieces.
constexpr float kMaxStep = 16.0f;

// The tile under a pixel coordinate, clamped to the grid (clamping before the
// cast keeps it defined however far off the map the coordinate lies).
int tileOf(float pixels) { return int(std::clamp(pixels / float(kTileSize), 0.0f, float(kMapTiles - 1))); }

float length(Vector2 v) { return std::sqrt(v.x * v.x + v.y * v.y); }

}  // namespace

int Enemy::stuckCounter = 0;

Enemy::Enemy(int x, int y) : x(float(x)), y(float(y)) {}

void Enemy::update(float dt, Player &player, WallGrid &grid)
{
    repathTimer += 1.0f;
    if (repathTimer >= repathInterval) {
        pathfind(player, grid);
        repathTimer = 0.0f;
    }
    if (path.empty() || pathIndex >= int(path.size())) return;

    const Vector2 centre{x + float(w) / 2.0f, y + float(h) / 2.0f};
    const auto toWaypoint = [&](int i) { return Vector2{float(path[i].x) - centre.x, float(path[i].y) - centre.y}; };
    while (pathIndex < int(path.size()) && length(toWaypoint(pathIndex)) <= kReachRadius)
        ++pathIndex;
    if (pathIndex >= int(path.size())) {
        repathTimer = repathInterval;  // every waypoint passed: search next update
        return;
    }

    const Vector2 direction = toWaypoint(pathIndex);
    const float d = length(direction);
    const Vector2 step{float(speed) * direction.x / d * dt, float(speed) * direction.y / d * dt};
    facingRow = step.x > 0.0f ? 0 : 16;

    const bool moved = tryStep(step, grid);
    if (!moved && pathIndex + 1 < int(path.size())) {
        // Stuck on a corner: when the waypoint after this one is near and
        // reachable in a straight step, aim for it instead.
        const Vector2 next = toWaypoint(pathIndex + 1);
        const float d2 = length(next);
        if (d2 > 0.0f && d2 < kSkipRadius) {
            Vector2 probe{float(speed) * next.x / d2 * dt, float(speed) * next.y / d2 * dt};
            // A long frame probes only as far as its first piece would go.
            if (const float len = length(probe); len > kMaxStep)
                probe = {probe.x * kMaxStep / len, probe.y * kMaxStep / len};
            if (canMoveTo(x + probe.x, y + probe.y, grid)) ++pathIndex;
        }
    }

    if (moved) {
        stuckCounter = 0;
    } else if (++stuckCounter > kStuckLimit) {
        repathTimer = repathInterval;
        stuckCounter = 0;
    }
}

// The first of: the whole step, its x, its y, then the same at half length,
// that the walls allow. A step longer than kMaxStep goes in equal pieces.
bool Enemy::tryStep(Vector2 step, const WallGrid &grid)
{
    const int pieces = std::max(1, int(std::ceil(length(step) / kMaxStep)));
    const Vector2 piece{step.x / float(pieces), step.y / float(pieces)};
    const Vector2 half{piece.x * 0.5f, piece.y * 0.5f};
    const Vector2 tries[6] = {piece, {piece.x, 0.0f}, {0.0f, piece.y}, half, {half.x, 0.0f}, {0.0f, half.y}};
    bool moved = false;
    for (int p = 0; p < pieces; ++p) {
        const Vector2 *taken = std::find_if(std::begin(tries), std::end(tries),
                                            [&](Vector2 t) { return canMoveTo(x + t.x, y + t.y, grid); });
        if (taken == std::end(tries)) break;
        x += taken->x;
        y += taken->y;
        moved = true;
    }
    return moved;
}

void Enemy::pathfind(Player &player, WallGrid &grid)
{
    Vec2 start{tileOf(x + float(w) / 2.0f), tileOf(y + float(h) / 2.0f)};
    Vec2 goal{std::clamp(player.x / kTileSize, 0, kMapTiles - 1), std::clamp(player.y / kTileSize, 0, kMapTiles - 1)};
    start = findNearestWalkableTile(start, grid);
    goal = findNearestWalkableTile(goal, grid);

    const std::vector<Vec2> tiles = AStar(grid, start, goal);
    if (tiles.empty()) return;  // keep following the old path

    path.clear();
    for (std::size_t i = 0; i + 1 < tiles.size(); ++i) {
        const int jx = SimRandom::level.next() % 8 - 4;
        const int jy = SimRandom::level.next() % 8 - 4;
        path.push_back(Vec2{kTileSize * tiles[i].x + 16 + jx, kTileSize * tiles[i].y + 16 + jy});
    }
    path.push_back(Vec2{int(float(player.x) + float(player.w) / 2.0f), int(float(player.y) + float(player.h) / 2.0f)});
    pathIndex = 1;  // the first waypoint is the enemy's own tile
}

bool Enemy::canMoveTo(float nx, float ny, const WallGrid &grid) const
{
    const int left = tileOf(nx);
    const int right = tileOf(nx + float(w - 1));
    const int top = tileOf(ny);
    const int bottom = tileOf(ny + float(h - 1));
    for (int row = top; row <= bottom; ++row)
        for (int column = left; column <= right; ++column)
            if (grid[row][column]) return false;
    return true;
}

Vec2 Enemy::findNearestWalkableTile(Vec2 tile, const WallGrid &grid) const
{
    const auto open = [&](int column, int row) { return InGrid(column, row) && !grid[row][column]; };
    if (open(tile.x, tile.y)) return tile;
    for (int k = 1; k <= 5; ++k)
        for (int dy = -k; dy <= k; ++dy)
            for (int dx = -k; dx <= k; ++dx)
                if ((std::abs(dx) == k || std::abs(dy) == k) && open(tile.x + dx, tile.y + dy))
                    return Vec2{tile.x + dx, tile.y + dy};
    return tile;
}

void Enemy::draw(GameAssets *assets, int animFrame) const
{
    DrawTexturePro(assets->fetchTexture("enemy"), Rectangle{float(animFrame % 4 * 16), float(facingRow), 16.0f, 16.0f},
                   Rectangle{x, y, float(w), float(h)}, Vector2{0.0f, 0.0f}, 0.0f, WHITE);
}
