#pragma once

#include "raylib.h"

// A line of text at a position in the virtual screen, optionally centred on
// its x. The text is borrowed, never copied.
class GUIText {
public:
    int x;
    int y;
    int fontSize;
    const char *text;
    Color color;
    bool centered;

    GUIText(int x, int y, int fontSize, const char *text, Color color, bool centered);

    void draw() const;
    void setPos(int x, int y);
    void setValue(const char *text);
};
