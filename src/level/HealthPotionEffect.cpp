#include "level/HealthPotionEffect.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "raymath.h"

HealthPotionEffect::HealthPotionEffect(int x, int y)
{
    const int n = GetRandomValue(minCount, maxCount);
    particles.reserve(n);
    for (int i = 0; i < n; ++i) {
        const int d = ringRadius + GetRandomValue(minJitter, maxJitter);
        const float angle = i * (360.0f / n);
        const float a = -angle * 0.017453292f;
        // Scaling by -d turns the ring half a turn, so the first dot sits left of the centre.
        const Vector2 offset = Vector2Scale(Vector2{cosf(a), -sinf(a)}, (float)-d);
        particles.push_back(HealthPotionParticle((int)((float)x + offset.x), (int)((float)y + offset.y)));
    }
}

void HealthPotionEffect::update()
{
    std::vector<int> spent;
    for (int i = 0; i < (int)particles.size(); ++i) {
        particles[i].update(GetFrameTime());
        if (particles[i].getLifetime() <= 0) spent.push_back(i);
    }
    // Erasing from the back keeps the remaining indices valid.
    std::sort(spent.begin(), spent.end(), std::greater<int>());
    spent.erase(std::unique(spent.begin(), spent.end()), spent.end());
    for (int index : spent)
        particles.erase(particles.begin() + index);
}

void HealthPotionEffect::draw()
{
    for (HealthPotionParticle &particle : particles)
        particle.draw();
}
