#include "ui/GUICheckbox.h"

#include "raylib.h"
#include "ui/GUIButton.h"

GUICheckbox::GUICheckbox(int x, int y, int width, int height, bool ticked)
    : x(x), y(y), width(width), height(height), ticked(ticked)
{
}

void GUICheckbox::draw() const
{
    DrawRectangle(x, y, width, height, WHITE);
    if (ticked) DrawRectangle(x + width / 4, y + height / 4, width / 2, height / 2, BLACK);
}

bool GUICheckbox::isMouseOn() const { return MouseInVirtualRect(x, y, width, height); }
