#pragma once

#include <vector>

#include "level/HealthPotionParticle.h"

// The fading ring of green dots left where the player drank a health potion.
class HealthPotionEffect {
public:
    std::vector<HealthPotionParticle> particles;
    int ringRadius = 20;
    int minCount = 5;
    int maxCount = 10;
    int minJitter = 0;
    int maxJitter = 7;

    HealthPotionEffect(int x, int y);

    void update();
    void draw();
};
