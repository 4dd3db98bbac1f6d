#pragma once

// A white box that shows a black square while ticked.
class GUICheckbox {
public:
    int x;
    int y;
    int width;
    int height;
    bool ticked;

    GUICheckbox(int x, int y, int width, int height, bool ticked);

    void tick() { ticked = !ticked; }
    void draw() const;
    bool isMouseOn() const;
};
