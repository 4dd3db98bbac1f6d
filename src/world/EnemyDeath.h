#pragma once

#include "assets/GameAssets.h"

// The short animation left where an enemy died: the death row of the bird's
// sheet, one cell per step of the shared animation.
class EnemyDeath {
public:
    int x;
    int y;
    int w = 32;
    int h = 32;
    int frame = 0;

    EnemyDeath(int x, int y);

    void incrementFrame() { frame += 1; }
    bool dead() const { return frame > 4; }
    void draw(GameAssets *assets) const;
};
