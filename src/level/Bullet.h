#pragma once

#include "raylib.h"

// A small round bullet flying in a straight line at a constant speed, in
// whole world pixels, with a number of wall bounces left.
class Bullet {
public:
    int x;  // centre
    int y;
    int radius;
    unsigned int bounces;
    Vector2 velocity;  // pixels per frame
    Color color{200, 122, 255, 255};

    Bullet(int x, int y, int radius, Vector2 velocity, unsigned int bounces);

    void draw() const;
    // Adds the velocity; each coordinate is truncated toward zero.
    void move();
};
