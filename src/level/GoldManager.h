#pragma once

#include <vector>

#include "assets/GameAssets.h"
#include "assets/SoundManager.h"
#include "level/Gold.h"
#include "raylib.h"

// The coins on the ground: drops them for kills, finds the ones the player
// touches and pulls those inside the magnet radius.
class GoldManager {
public:
    float spawnChance = 1.0f;
    std::vector<Gold> coins;

    GoldManager() = default;

    void setSpawnChance(float chance);
    // One kill's drop: each attempt yields a coin near (x, y) with the spawn chance.
    void trySpawnAtPos(int x, int y, SoundManager &sound, int attempts);
    // Indices, ascending, of the coins that overlap the box.
    std::vector<int> isGoldColliding(Rectangle box);
    void removeGold(int index);
    void updateGoldMagnet(int px, int py, float radius);
    void draw(GameAssets &assets);
};
