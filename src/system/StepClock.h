#pragma once

#include <algorithm>

#include "raylib.h"
#include "tic/InputTic.h"

// The seconds one update steps the game by. Normally the frame time raylib
// measured; a replay (the soak, tests) fixes it, since a measured time never
// comes out the same twice and movement would then drift between two runs
// of the same seed.
struct StepClock {
    static inline float fixedSeconds = 0.0f;  // above 0: every update steps by this

    // A run being recorded or played steps by its tic's time.
    static float seconds()
    {
        if (InputTic::current != nullptr) return InputTic::current->step;
        return fixedSeconds > 0.0f ? fixedSeconds : paced(GetFrameTime());
    }

    // A frame time as the game steps by it: a stall is one step of at most
    // InputTic::kLongestStep, and the window's first frame, which has no time
    // yet (nor NaN, which no clock gives), one of the 60 a second the game
    // paces, as the page's first frame is.
    static float paced(float frame) { return frame > 0.0f ? std::min(frame, InputTic::kLongestStep) : 1.0f / 60.0f; }
};
