#pragma once

#include <cstdint>

// One update's input to a run, the command the simulation obeys: all that the
// level and the shop read from the player and the machine, already through
// the bindings, so a run kept as its tics plays again exactly, whatever keys
// the watcher has bound. The pointer and the time step are kept exactly as
// the library gave them, so a run plays on the very numbers it was played
// with. While a run is recorded or played back, `current` points at this
// update's tic and the game's input readers (the actions, the pad, the
// pointer, the time step) answer from it instead of asking the library;
// otherwise it is null.
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
    // The mouse in window pixels and the window's size, from which the level
    // and the widgets each map it into the virtual screen their own way.
    float mouseX = 0.0f;
    float mouseY = 0.0f;
    uint16_t screenWidth = 0;
    uint16_t screenHeight = 0;
    uint8_t click = 0;  // the left button pressed
    float step = 0.0f;  // the update's time step in seconds

    static constexpr uint8_t kPadConnected = 1, kPadAiming = 2, kPadFire = 4, kPadA = 8, kPadY = 16;
    // Beyond these no machine reports a pointer or a frame; a demo that
    // holds more is damaged.
    static constexpr float kMaxPointer = 1.0e6f;
    static constexpr float kMaxStep = 3600.0f;
    // The longest step a run is recorded with, and so played by: a stall (a
    // busy machine, a dragged window, a hidden tab) is one slow step of this,
    // never a jump in which a bird passes over the crab. Demos recorded before
    // the cap may hold longer ones and play them as they are.
    static constexpr float kLongestStep = 0.1f;

    static const InputTic *current;

    bool operator==(const InputTic &) const = default;

    static bool bit(uint8_t bits, int action) { return (bits >> action) & 1; }
};
