// The pads of a GLFW desktop (Linux, Windows): its joysticks read through its gamepad mappings.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "backend/window.h"
#include "internal.h"

static_assert(GLFW_GAMEPAD_BUTTON_LAST + 1 == rlp::kGlfwGamepadButtons);
static_assert(GLFW_GAMEPAD_AXIS_LAST + 1 == rlp::kGlfwGamepadAxes);

namespace rlp::backend {

void PollGamepads()
{
    for (int jid = 0; jid < kGamepads; ++jid) {
        if (!glfwJoystickPresent(jid)) {
            GamepadLost(jid);
            continue;
        }
        // A joystick without a mapping reads as all zero, as GLFW leaves it.
        GLFWgamepadstate state{};
        glfwGetGamepadState(jid, &state);
        GamepadApplyGlfwState(jid, state.buttons, state.axes);
    }
}

int UpdateGamepadMappings(const char *mappings) { return glfwUpdateGamepadMappings(mappings); }

}  // namespace rlp::backend
