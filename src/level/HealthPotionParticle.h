#pragma once

#include "level/Particle.h"

// One green dot of the ring left by a drunk health potion.
class HealthPotionParticle : public Particle {
public:
    HealthPotionParticle(int x, int y);
};
