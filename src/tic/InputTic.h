#pragma once

#include <cstdint>

// One update's input to a run, the command the simulation obeys: all that the
// level and the shop read from the player and the machine, already through
// the bindings, so a run kept as its tics plays again exactly, whatever keys
// the watcher has bound. While a run is recorded or played back, `current`
// points at this update's tic and the game's input readers (the actions, the
// pad, the pointer, the time step) answer from it instead of asking the
// library; otherwise it is null.
struct InputTic {
    // A bit per action (in the order of the Action enum, which holds to 8 of
    // them); pause is not the run's and is left out.
    uint8_t keyHeld = 0;  // its keys or mouse buttons held
    uint8_t keyPressed = 0;
    uint8_t padHeld = 0;  // its pad buttons held
    uint8_t padPressed = 0;
    int8_t padWalkX = 0;  // the pad's walk: bound buttons, else the left stick
    int8_t padWalkY = 0;
    // The pad as GamepadInput reads it.
    uint8_t pad = 0;  // kPad* bits
    int8_t padMenuX = 0, padMenuY = 0;
    int8_t padAimX = 0, padAimY = 0;  // right stick, in 127ths
    // The mouse in virtual pixels, in eighths, and its left button pressed.
    int16_t pointerX = 0;
    int16_t pointerY = 0;
    uint8_t click = 0;
    // The update's time step in tenths of a millisecond.
    uint16_t step = 0;

    static constexpr uint8_t kPadConnected = 1, kPadAiming = 2, kPadFire = 4, kPadA = 8, kPadY = 16;
    static constexpr float kPointerUnit = 8.0f;
    static constexpr float kStepUnit = 10000.0f;

    static const InputTic *current;

    bool operator==(const InputTic &) const = default;

    static bool bit(uint8_t bits, int action) { return (bits >> action) & 1; }
    float seconds() const { return float(step) / kStepUnit; }
    float pointerXf() const { return float(pointerX) / kPointerUnit; }
    float pointerYf() const { return float(pointerY) / kPointerUnit; }
};
