#pragma once

#include "raylib.h"
#include "ui/GUIText.h"

// A filled rectangle with a label, whose fill changes while the mouse is
// over it. It knows nothing of clicks: screens ask `isMouseOn`.
class GUIButton {
public:
    int x;
    int y;
    int width;
    int height;
    Color color;
    Color hoverColor;
    bool centered;
    GUIText label;
    bool hoverEffect;

    GUIButton(int x, int y, int width, int height, Color color, Color hoverColor, bool centered, GUIText label,
              bool hoverEffect);

    void draw() const;
    // Draws with the hovered look or without it, wherever the mouse is.
    void drawAs(bool hovered) const;
    bool isMouseOn() const;
    void setColor(Color c) { color = c; }
    void setHoverColor(Color c) { hoverColor = c; }
};

// True when the mouse, mapped into the virtual screen, lies strictly inside
// the rectangle: a point on an edge is outside.
bool MouseInVirtualRect(int x, int y, int width, int height);
// The same test for a mouse at `mouse` in a window of `screenWidth` by
// `screenHeight`, the widgets' own mapping of it.
bool PointInVirtualRect(Vector2 mouse, int screenWidth, int screenHeight, int x, int y, int width, int height);
