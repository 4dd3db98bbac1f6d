#include "level/Particle.h"

Particle::Particle(int x, int y, int radius, Color color, int lifetime, int maxLifetime)
    : x(x), y(y), radius(radius), color(color), lifetime(lifetime), maxLifetime(maxLifetime)
{
}

void Particle::draw() { DrawCircle(x, y, (float)radius, color); }

void Particle::update(float dt)
{
    (void)dt;
    // The fade steps through 255 / whole-number ratios of the remaining life.
    // A spent dot is invisible, and a dot with more life left than it started
    // with (ratio 0) stays opaque; both guards keep the divisions defined.
    if (lifetime <= 0) {
        color.a = 0;
    } else {
        const int ratio = maxLifetime / lifetime;
        color.a = ratio <= 0 ? 255 : (unsigned char)(255 / ratio);
    }
    lifetime -= 1;
}

int Particle::getLifetime() { return lifetime; }
