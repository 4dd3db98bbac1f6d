#pragma once

#include "assets/GameAssets.h"
#include "raylib.h"

// One gold coin lying on the level floor, worth one gold when picked up.
class Gold {
public:
    int x;
    int y;
    int width = 8;
    int height = 8;

    Gold(int x, int y);

    void draw(GameAssets &assets);
    Rectangle getRect();
    // Glides the coin's centre the fraction speed * dt (at most all) of the way to (tx, ty).
    void moveTowards(int tx, int ty, float speed, float dt);
};
