#include "level/HealthPotionParticle.h"

HealthPotionParticle::HealthPotionParticle(int x, int y) : Particle(x, y, 5, Color{0, 228, 48, 255}, 15, 15) {}
