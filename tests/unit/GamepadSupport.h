#pragma once

// A game pad driven through raylib's automation events, for the tests.
#include "raylib.h"

// Pad 0, connected for as long as it lives; everything let go after.
class ScopedPad {
public:
    ScopedPad() { send(9, 0, 0); }
    ~ScopedPad()
    {
        for (int axis = GAMEPAD_AXIS_LEFT_X; axis <= GAMEPAD_AXIS_RIGHT_Y; ++axis)
            stick(axis, 0.0f);
        for (int button = 1; button <= GAMEPAD_BUTTON_RIGHT_THUMB; ++button)
            hold(button, false);
        send(10, 0, 0);
    }
    ScopedPad(const ScopedPad &) = delete;
    ScopedPad &operator=(const ScopedPad &) = delete;

    void hold(int button, bool down) { send(down ? 12 : 11, button, 0); }
    void stick(int axis, float value) { send(13, axis, int(value * 32768.0f)); }
    void sticks(int axisX, Vector2 v)
    {
        stick(axisX, v.x);
        stick(axisX + 1, v.y);
    }

private:
    static void send(unsigned type, int a, int b) { PlayAutomationEvent(AutomationEvent{0, type, {0, a, b, 0}}); }
};
