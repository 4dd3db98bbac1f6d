#pragma once

#include "raylib.h"

// A still, round dot that fades out over a fixed number of updates.
class Particle {
public:
    int x;
    int y;
    int radius;
    Color color;
    int lifetime;
    int maxLifetime;

    Particle(int x, int y, int radius, Color color, int lifetime, int maxLifetime);

    void draw();
    // Ages the dot by one update; dt is accepted for symmetry with the other entities and ignored.
    void update(float dt);
    int getLifetime();
};
