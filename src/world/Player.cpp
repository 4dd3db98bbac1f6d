#include "world/Player.h"

#include <algorithm>
#include <cstdlib>

#include "options/ActionInput.h"

namespace {

// The longest move tested at once. A 32-pixel box moved by at most a tile
// always overlaps any wall tile on its way, so even a long frame (a stall,
// a dragged window) cannot carry the player through a wall: it is walked
// in pieces of this size.
constexpr int kMaxMove = kTileSize;

}  // namespace

Player::Player(int x, int y, int width, int height) : x(x), y(y), w(width), h(height) {}

void Player::findSpawn(GameMap &map)
{
    for (int row = 0; row < kMapTiles; ++row)
        for (int column = 0; column < kMapTiles; ++column)
            if (!map.get(column, row)) {
                x = kTileSize * column;
                y = kTileSize * row;
                return;
            }
    x = 0;
    y = 0;
}

void Player::update(float dt, int mapPixels, GameMap &map)
{
    (void)mapPixels;
    const int step = int(float(speed) * dt);
    const int oldX = x;
    const int oldY = y;
    animRow = 0;

    // Opposite keys cancel out.
    int dirX = 0;
    int dirY = 0;
    if (ActionInput::keyDown(*bindings, ACTION_WALK_LEFT)) dirX -= 1;
    if (ActionInput::keyDown(*bindings, ACTION_WALK_UP)) dirY -= 1;
    if (ActionInput::keyDown(*bindings, ACTION_WALK_RIGHT)) dirX += 1;
    if (ActionInput::keyDown(*bindings, ACTION_WALK_DOWN)) dirY += 1;
    if (dirX == 0 && dirY == 0) {
        // The pad walks in the keys' eight directions at the keys' speed.
        const StepDirection pad = ActionInput::padWalk(*bindings);
        dirX = pad.x;
        dirY = pad.y;
    }

    for (int left = std::abs(step); left > 0;) {
        const int piece = std::min(left, kMaxMove) * (step < 0 ? -1 : 1);
        left -= std::abs(piece);
        const int fromX = x;
        const int fromY = y;
        x += dirX * piece;
        y += dirY * piece;
        // The horizontal test already sees the vertical move, so a diagonal
        // push into a wall below or above stops both axes, while one into a
        // wall at the side slides along it.
        if (x != fromX && blockedAt(x, y, map)) x = fromX;
        if (y != fromY && blockedAt(x, y, map)) y = fromY;
        if (x == fromX && y == fromY) break;
    }
    if (x != oldX || y != oldY) animRow = 16;
}

bool Player::blockedAt(int bx, int by, GameMap &map) const
{
    const int last = kTileSize * kMapTiles - 1;
    if (bx < 0 || by < 0 || bx + w - 1 > last || by + h - 1 > last) return true;
    const int left = bx / kTileSize;
    const int right = (bx + w - 1) / kTileSize;
    const int top = by / kTileSize;
    const int bottom = (by + h - 1) / kTileSize;
    return map.get(left, top) || map.get(right, top) || map.get(left, bottom) || map.get(right, bottom);
}

void Player::pointCamera(Camera2D *camera, int mapPixels) const
{
    camera->target = Vector2{float(x) + float(w) / 2.0f, float(y) + float(h) / 2.0f};
    const Vector2 offset = camera->offset;
    if (camera->target.x - offset.x < 0.0f) camera->target.x = offset.x;
    if (camera->target.y - offset.y < 0.0f) camera->target.y = offset.y;
    if (camera->target.x + offset.x > float(mapPixels)) camera->target.x = float(mapPixels) - offset.x;
    if (camera->target.y + offset.y > float(mapPixels)) camera->target.y = float(mapPixels) - offset.y;
}

void Player::draw(Texture *sprite, int frame, Camera2D *camera, int mapPixels, int freezeFrames, Shader *whiteMask,
                  float magnetRadius)
{
    pointCamera(camera, mapPixels);

    DrawCircle(x + w / 2, y + h / 2, magnetRadius, ColorAlpha(Color{0, 82, 172, 255}, 0.33f));

    // A registry entry that was never loaded holds no shader: no flash then.
    const bool flash = freezeFrames > 0 && IsShaderValid(*whiteMask);
    if (flash) BeginShaderMode(*whiteMask);
    DrawTexturePro(*sprite, Rectangle{16.0f * float(frame), float(animRow), 16.0f, 16.0f},
                   Rectangle{float(x), float(y), float(w), float(h)}, Vector2{0.0f, 0.0f}, 0.0f,
                   Color{245, 245, 245, 255});
    if (flash) EndShaderMode();
}
