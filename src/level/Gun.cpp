#include "level/Gun.h"

#include <cmath>

#include "core/VirtualScreen.h"
#include "sim/SimMath.h"

void Gun::focusOn(int x, int y, int originX)
{
    this->x = x;
    this->y = y;
    this->originX = float(originX);
}

void Gun::updateRot(Camera2D &camera, Player &player)
{
    const Vector2 mouse = GetScreenMousePos(camera);
    const Vector2 centre{float(player.x) + float(player.w) / 2.0f, float(player.y) + float(player.h) / 2.0f};
    const float dx = centre.x - mouse.x;
    const float dy = centre.y - mouse.y;
    const float angle = std::fmod(sim::atan2(dy, dx) * RAD2DEG + 360.0f, 360.0f);
    if (std::isfinite(angle)) rotation = angle;  // a mouse that maps to no point keeps the last aim
}

void Gun::aimAlong(Vector2 direction)
{
    // The same angle as aiming at a point that far along the direction.
    rotation = std::fmod(sim::atan2(-direction.y, -direction.x) * RAD2DEG + 360.0f, 360.0f);
}

void Gun::draw() const
{
    DrawRectanglePro(Rectangle{float(x), float(y), float(width), float(height)}, Vector2{originX, 0.0f}, rotation,
                     color);
}

void Gun::applyUpgrades(Upgrades &upgrades)
{
    bulletSpeed = upgrades.get("bulletspeed")->getCurrent();
    ricochet = upgrades.get("bulletricochet")->getCurrent();
}
