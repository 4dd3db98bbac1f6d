#pragma once

#include "options/Bindings.h"
#include "raylib.h"
#include "world/GameMap.h"

// The character the user walks over the map: position, size, speed and
// health, a per-axis collision against the wall grid, the spawn search, and
// its drawing, which also steers the level's camera.
class Player {
public:
    int speed = 100;  // world pixels per second
    int animRow = 0;  // sprite row: 0 standing, 16 walking
    int x;
    int y;
    int w;
    int h;
    int health = 100;
    const Bindings *bindings = &DefaultBindings();  // not owned

    Player(int x, int y, int width, int height);

    // Puts the player on the first floor tile in reading order.
    void findSpawn(GameMap &map);
    // One movement step from the bound keys held; `mapPixels` plays no part.
    void update(float dt, int mapPixels, GameMap &map);
    // Moves the camera to follow the player (clamped to the map), then draws
    // the magnet's reach and the sprite, flashing white while frozen.
    // Points the camera at the player, clamped to the map: the draw does it
    // first, and a run stepped without drawing does it in the draw's place.
    void pointCamera(Camera2D *camera, int mapPixels) const;
    void draw(Texture *sprite, int frame, Camera2D *camera, int mapPixels, int freezeFrames, Shader *whiteMask,
              float magnetRadius);

    // True when a box of the player's size at (bx, by) leaves the map or
    // overlaps a wall tile.
    bool blockedAt(int bx, int by, GameMap &map) const;
};
