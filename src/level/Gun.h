#pragma once

#include "economy/Upgrades.h"
#include "raylib.h"
#include "world/Player.h"

// The player's gun: a bar pivoting around the player's centre toward the
// mouse, with the reload counter and the bullet values bought in the shop.
class Gun {
public:
    int x = 0;  // pivot: the player's centre
    int y = 0;
    int width = 15;
    int height = 5;
    float rotation = 0.0f;  // degrees, pointing from the mouse to the player
    float originX = 0.0f;
    float bulletSpeed = 5.0f;
    float ricochet = 0.0f;
    int cooldownFrames = 25;
    int cooldown = 25;  // live updates left before the gun may fire
    Color color{0, 228, 48, 255};

    Gun() = default;

    void focusOn(int x, int y, int originX);
    // Aims at the mouse, mapped into the world through the camera.
    void updateRot(Camera2D &camera, Player &player);
    // Aims along a direction from the pivot, as a stick points.
    void aimAlong(Vector2 direction);
    void draw() const;
    void applyUpgrades(Upgrades &upgrades);
};
