#pragma once

#include "input/GamepadInput.h"
#include "options/Bindings.h"
#include "tic/InputTic.h"

// Asks the library whether the keys, mouse buttons and pad buttons bound to an
// action are held or were just pressed. The pad is the one GamepadInput
// reads, except for pause, which any pad's button toggles. While a run is
// recorded or played back they answer from its tic instead.
class ActionInput {
public:
    static bool keyDown(const Bindings &bindings, Action action);
    static bool keyPressed(const Bindings &bindings, Action action);
    static bool padDown(const Bindings &bindings, Action action);
    static bool padPressed(const Bindings &bindings, Action action);
    static bool pressed(const Bindings &bindings, Action action)
    {
        return keyPressed(bindings, action) || padPressed(bindings, action);
    }
    // The pad's walk: its bound walk buttons, else the left stick in eight
    // directions.
    static StepDirection padWalk(const Bindings &bindings);

    // For rebinding: the first named key (or, when `mouse`, mouse button)
    // pressed in this frame, and the first named button of the active pad;
    // -1 for none.
    static int anyKeyPressed(bool mouse);
    static int anyPadPressed();

    // This update's input to a run, read from the library through the
    // bindings; the readers above answer from it while it is current.
    static InputTic sample(const Bindings &bindings);
};
