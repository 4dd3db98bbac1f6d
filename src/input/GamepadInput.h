#pragma once

#include "raylib.h"

// A step on the screen's grid: each component -1, 0 or 1, y pointing down.
struct StepDirection {
    int x = 0;
    int y = 0;

    bool none() const { return x == 0 && y == 0; }
    bool operator==(const StepDirection &) const = default;
};

// Sticks rest near, not at, the centre: anything within this radius is no input.
constexpr float kStickDeadZone = 0.25f;

// One update's reading of the game pad the player holds (pad 0, else the
// first one connected), boiled down to plain values so that what the game
// does with them stays free of the library.
class GamepadInput {
public:
    bool connected = false;
    StepDirection menu;   // d-pad, else the left stick along its stronger axis
    Vector2 aim{0, 0};    // right stick, zero inside the dead zone
    bool aiming = false;  // right stick outside the dead zone
    bool fire = false;    // right trigger or right shoulder held
    bool pressedA = false;
    bool pressedY = false;

    static GamepadInput read();
    // Pad 0 when connected, else the first of 1 to 3 that is; -1 for none.
    static int activePad();

    static bool outsideDeadZone(Vector2 stick);
    static StepDirection eightWay(Vector2 stick);
    static StepDirection fourWay(Vector2 stick);
};

// Tells whether the mouse was used (moved or clicked) since it was last asked.
class MouseWatch {
public:
    bool used(Vector2 position, bool clicked);

private:
    Vector2 last{0, 0};
    bool seen = false;
};

// Which device aims the gun: the one used last. The mouse counts when it
// moves or clicks, the pad when its right stick leaves the dead zone or its
// trigger is pulled; in a tie the pad wins.
class AimSwitch {
public:
    bool padAims = false;

    void update(Vector2 mouse, bool mouseClicked, const GamepadInput &pad);

private:
    MouseWatch mouseWatch;
    bool wasFiring = false;
};

// Turns a held direction into single steps: one at once, then, after a
// delay, one every few updates for as long as it is held.
class MenuRepeat {
public:
    static constexpr int kDelay = 24;  // updates
    static constexpr int kInterval = 8;

    StepDirection update(StepDirection held);

private:
    StepDirection last;
    int heldFor = 0;
};
