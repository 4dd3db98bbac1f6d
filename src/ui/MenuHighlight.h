#pragma once

#include <vector>

#include "input/GamepadInput.h"
#include "raylib.h"
#include "ui/GUIButton.h"
#include "ui/GUICheckbox.h"

// The game pad's way through a menu: a highlight that the d-pad or left
// stick moves to the nearest control in the pushed direction and that A
// presses. It shows only after pad use and hides when the mouse is used;
// while it shows, it alone gives a control the hovered look.
class MenuHighlight {
public:
    int index = 0;  // into the screen's list of controls; the first is where it starts
    bool shown = false;

    // Reads the pad and the mouse; returns the control A pressed, or -1.
    int update(const std::vector<Rectangle> &controls);
    int step(const std::vector<Rectangle> &controls, const GamepadInput &pad, bool mouseUsed);
    bool lit(int control) const { return shown && index == control; }

    void drawButton(const GUIButton &button, int control) const;
    void drawCheckbox(const GUICheckbox &box, int control) const;

private:
    MenuRepeat repeat;
    MouseWatch mouseWatch;
};

Rectangle ControlRect(const GUIButton &button);
Rectangle ControlRect(const GUICheckbox &box);

// The control nearest to `from` in the direction given, its distance along
// the direction counted once and across it twice; `from` when none lies
// that way. Ties go to the earlier control.
int NextControl(const std::vector<Rectangle> &controls, int from, StepDirection direction);
