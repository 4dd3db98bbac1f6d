#include "ui/GUIText.h"

GUIText::GUIText(int x, int y, int fontSize, const char *text, Color color, bool centered)
    : x(x), y(y), fontSize(fontSize), text(text), color(color), centered(centered)
{
}

void GUIText::draw() const
{
    const int left = centered ? x - MeasureText(text, fontSize) / 2 : x;
    DrawText(text, left, y, fontSize, color);
}

void GUIText::setPos(int x, int y)
{
    this->x = x;
    this->y = y;
}

void GUIText::setValue(const char *text) { this->text = text; }
