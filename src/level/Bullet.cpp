#include "level/Bullet.h"

Bullet::Bullet(int x, int y, int radius, Vector2 velocity, unsigned int bounces)
    : x(x), y(y), radius(radius), bounces(bounces), velocity(velocity)
{
}

void Bullet::draw() const { DrawCircle(x, y, float(radius), color); }

void Bullet::move()
{
    x = int(float(x) + velocity.x);
    y = int(float(y) + velocity.y);
}
