#include "level/Gold.h"

#include "raymath.h"

Gold::Gold(int x, int y) : x(x), y(y) {}

void Gold::draw(GameAssets &assets)
{
    DrawTexturePro(assets.fetchTexture("gold"), Rectangle{0, 0, 8, 8},
                   Rectangle{(float)x, (float)y, (float)width, (float)height}, Vector2{0, 0}, 0.0f, WHITE);
}

Rectangle Gold::getRect() { return Rectangle{(float)x, (float)y, (float)width, (float)height}; }

void Gold::moveTowards(int tx, int ty, float speed, float dt)
{
    float t = speed * dt;
    if (t > 1.0f) t = 1.0f;  // a long frame lands the coin on the target instead of overshooting
    Vector2 centre{(float)(x + width / 2.0), (float)(y + height / 2.0)};
    centre = Vector2Lerp(centre, Vector2{(float)tx, (float)ty}, t);
    // Casting truncates toward zero, which is how every position in the level is snapped.
    x = (int)(centre.x - width / 2.0);
    y = (int)(centre.y - height / 2.0);
}
