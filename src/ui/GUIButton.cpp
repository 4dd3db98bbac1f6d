#include "ui/GUIButton.h"

#include <cmath>

#include "core/VirtualScreen.h"
#include "tic/InputTic.h"

GUIButton::GUIButton(int x, int y, int width, int height, Color color, Color hoverColor, bool centered, GUIText label,
                     bool hoverEffect)
    : x(x), y(y), width(width), height(height), color(color), hoverColor(hoverColor), centered(centered), label(label),
      hoverEffect(hoverEffect)
{
}

void GUIButton::draw() const { drawAs(isMouseOn()); }

void GUIButton::drawAs(bool hovered) const
{
    const int left = centered ? x - width / 2 : x;
    const Color fill = (hoverEffect && !hovered) ? color : hoverColor;
    DrawRectangle(left, y, width, height, fill);
    label.draw();
}

// A centred button's mouse test keeps to the stored x, as every button of
// the game is left-aligned; centring only moves what is drawn.
bool GUIButton::isMouseOn() const { return MouseInVirtualRect(x, y, width, height); }

bool MouseInVirtualRect(int x, int y, int width, int height)
{
    if (const InputTic *tic = InputTic::current)
        return PointInVirtualRect(Vector2{tic->mouseX, tic->mouseY}, tic->screenWidth, tic->screenHeight, x, y, width,
                                  height);
    return PointInVirtualRect(GetMousePosition(), GetScreenWidth(), GetScreenHeight(), x, y, width, height);
}

bool PointInVirtualRect(Vector2 m, int sw, int sh, int x, int y, int width, int height)
{
    const float scale = std::fmin(float(sh) / 240.0f, float(sw) / 320.0f);
    const int w = int(float(kVirtualWidth) * scale);
    const int h = int(float(kVirtualHeight) * scale);
    if (w <= 0 || h <= 0) return false;  // a minimised window shows nothing to point at
    const int offsetX = (sw - w) / 2;
    const int offsetY = (sh - h) / 2;
    const float vx = (320.0f / float(w)) * (m.x - float(offsetX));
    const float vy = (240.0f / float(h)) * (m.y - float(offsetY));
    return vx > float(x) && vx < float(x + width) && vy > float(y) && vy < float(y + height);
}
