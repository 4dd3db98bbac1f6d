#include "level/HealthPotionEffect.h"

#include <cmath>

#include "level/SortForErasing.h"
#include "raymath.h"
#include "sim/SimMath.h"
#include "system/StepClock.h"

HealthPotionEffect::HealthPotionEffect(int x, int y)
{
    const int n = GetRandomValue(minCount, maxCount);
    particles.reserve(n);
    for (int i = 0; i < n; ++i) {
        const int d = ringRadius + GetRandomValue(minJitter, maxJitter);
        const float angle = i * (360.0f / n);
        const float a = -angle * DEG2RAD;
        // Scaling by -d turns the ring half a turn, so the first dot sits left of the centre.
        const Vector2 offset = Vector2Scale(Vector2{sim::cos(a), -sim::sin(a)}, (float)-d);
        particles.push_back(HealthPotionParticle((int)((float)x + offset.x), (int)((float)y + offset.y)));
    }
}

void HealthPotionEffect::update()
{
    std::vector<int> spent;
    for (int i = 0; i < (int)particles.size(); ++i) {
        particles[i].update(StepClock::seconds());
        if (particles[i].getLifetime() <= 0) spent.push_back(i);
    }
    sortForErasing(spent);
    for (int index : spent)
        particles.erase(particles.begin() + index);
}

void HealthPotionEffect::draw()
{
    for (HealthPotionParticle &particle : particles)
        particle.draw();
}
