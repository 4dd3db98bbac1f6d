// The page's pads, through the browser's Gamepad API.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <emscripten/html5.h>

#include <array>

#include "backend/window.h"
#include "internal.h"

namespace {

// The browser's Gamepad API gives its "standard" layout where it knows the
// pad: buttons A, B, X, Y, bumpers, analog triggers, back, start, thumbs,
// d-pad up/down/left/right, guide; axes left x/y, right x/y. It is turned
// into GLFW's gamepad state (emscripten's GLFW is 3.2, without one) so both
// read the same.
bool readBrowserPad(int index)
{
    EmscriptenGamepadEvent pad{};
    if (emscripten_get_gamepad_status(index, &pad) != EMSCRIPTEN_RESULT_SUCCESS || !pad.connected) return false;
    constexpr std::array<int, rlp::kGlfwGamepadButtons> kStandard = {0, 1,  2,  3,  4,  5,  8, 16,
                                                                     9, 10, 11, 12, 15, 13, 14};
    constexpr int kLeftTrigger = 4, kRightTrigger = 5;  // GLFW's trigger axes
    std::array<unsigned char, rlp::kGlfwGamepadButtons> buttons{};
    std::array<float, rlp::kGlfwGamepadAxes> axes{};
    for (std::size_t i = 0; i < kStandard.size(); ++i)
        buttons[i] = kStandard[i] < pad.numButtons && pad.digitalButton[kStandard[i]] ? GLFW_PRESS : GLFW_RELEASE;
    for (int i = 0; i < 4; ++i)
        axes[i] = i < pad.numAxes ? float(pad.axis[i]) : 0.0f;
    // Triggers travel 0..1 in the browser and -1..1 in GLFW.
    axes[kLeftTrigger] = 6 < pad.numButtons ? float(pad.analogButton[6]) * 2.0f - 1.0f : -1.0f;
    axes[kRightTrigger] = 7 < pad.numButtons ? float(pad.analogButton[7]) * 2.0f - 1.0f : -1.0f;
    rlp::GamepadApplyGlfwState(index, buttons.data(), axes.data());
    return true;
}

}  // namespace

namespace rlp::backend {

void PollGamepads()
{
    const bool sampled = emscripten_sample_gamepad_data() == EMSCRIPTEN_RESULT_SUCCESS;
    for (int index = 0; index < kGamepads; ++index) {
        if (!(sampled && index < emscripten_get_num_gamepads() && readBrowserPad(index))) GamepadLost(index);
    }
}

// The browser maps pads itself.
int UpdateGamepadMappings(const char *) { return 0; }

}  // namespace rlp::backend
