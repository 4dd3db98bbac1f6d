// Gamepads 0-3: button and axis states of one poll and the poll before it,
// read through GLFW's gamepad mappings and writable by automation events.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <array>
#include <string>

#include "backend/window.h"
#include "internal.h"

namespace {

using rlp::kGamepads;
using rlp::kGlfwGamepadAxes;
using rlp::kGlfwGamepadButtons;

constexpr int kMaxButtons = 32;
constexpr int kMaxAxes = 8;
// A trigger counts as a pressed button past this much of its travel.
constexpr float kTriggerThreshold = 0.1f;

// Who connected a pad: a pad GLFW reported is disconnected when GLFW stops
// reporting it; a pad connected by an automation event stays until an event
// disconnects it or GLFW takes it over.
enum class Source {
    None,
    Injected,
    Glfw
};

// One pad's states of this poll and the previous one.
struct Pad {
    Source source = Source::None;
    std::array<bool, kMaxButtons> buttons{};
    std::array<bool, kMaxButtons> previousButtons{};
    std::array<float, kMaxAxes> axes{};
};

std::array<Pad, kGamepads> g_pads;
// Mappings given before GLFW was initialised, applied once it is.
std::string g_pendingMappings;

bool validPad(int pad) { return pad >= 0 && pad < kGamepads; }
bool validButton(int button) { return button >= 0 && button < kMaxButtons; }
bool validAxis(int axis) { return axis >= 0 && axis < kMaxAxes; }
bool available(int pad) { return validPad(pad) && g_pads[pad].source != Source::None; }

// Sticks rest centred, triggers fully out.
void restAxes(Pad &pad)
{
    pad.axes.fill(0.0f);
    pad.axes[GAMEPAD_AXIS_LEFT_TRIGGER] = -1.0f;
    pad.axes[GAMEPAD_AXIS_RIGHT_TRIGGER] = -1.0f;
}

void disconnect(Pad &pad)
{
    pad.source = Source::None;
    pad.buttons.fill(false);
    restAxes(pad);
}

// GLFW's gamepad buttons (A, B, X, Y, bumpers, back, guide, start, thumbs,
// d-pad up/right/down/left) as raylib numbers them.
constexpr std::array<int, kGlfwGamepadButtons> kButtonFromGlfw = {
    GAMEPAD_BUTTON_RIGHT_FACE_DOWN, GAMEPAD_BUTTON_RIGHT_FACE_RIGHT, GAMEPAD_BUTTON_RIGHT_FACE_LEFT,
    GAMEPAD_BUTTON_RIGHT_FACE_UP,   GAMEPAD_BUTTON_LEFT_TRIGGER_1,   GAMEPAD_BUTTON_RIGHT_TRIGGER_1,
    GAMEPAD_BUTTON_MIDDLE_LEFT,     GAMEPAD_BUTTON_MIDDLE,           GAMEPAD_BUTTON_MIDDLE_RIGHT,
    GAMEPAD_BUTTON_LEFT_THUMB,      GAMEPAD_BUTTON_RIGHT_THUMB,      GAMEPAD_BUTTON_LEFT_FACE_UP,
    GAMEPAD_BUTTON_LEFT_FACE_RIGHT, GAMEPAD_BUTTON_LEFT_FACE_DOWN,   GAMEPAD_BUTTON_LEFT_FACE_LEFT,
};

struct PadsInit {
    PadsInit()
    {
        for (Pad &pad : g_pads)
            restAxes(pad);
    }
} g_padsInit;

}  // namespace

namespace rlp {

void GamepadBeginPoll()
{
    for (Pad &pad : g_pads)
        pad.previousButtons = pad.buttons;
}

void GamepadApplyGlfwState(int pad, const unsigned char *buttons, const float *axes)
{
    if (!validPad(pad)) return;
    Pad &p = g_pads[pad];
    p.source = Source::Glfw;
    p.buttons.fill(false);
    for (std::size_t i = 0; i < kButtonFromGlfw.size(); ++i)
        p.buttons[kButtonFromGlfw[i]] = buttons[i] == GLFW_PRESS;
    p.axes.fill(0.0f);
    // GLFW's axis order (left x/y, right x/y, left/right trigger) is raylib's.
    for (int i = 0; i < kGlfwGamepadAxes; ++i)
        p.axes[i] = axes[i];
    p.buttons[GAMEPAD_BUTTON_LEFT_TRIGGER_2] = p.axes[GAMEPAD_AXIS_LEFT_TRIGGER] > kTriggerThreshold;
    p.buttons[GAMEPAD_BUTTON_RIGHT_TRIGGER_2] = p.axes[GAMEPAD_AXIS_RIGHT_TRIGGER] > kTriggerThreshold;
}

void GamepadLost(int pad)
{
    if (validPad(pad) && g_pads[pad].source == Source::Glfw) disconnect(g_pads[pad]);
}

void GamepadOnGlfwInit()
{
    // Where the system maps the pads itself this drops the mappings unused.
    if (!g_pendingMappings.empty()) backend::UpdateGamepadMappings(g_pendingMappings.c_str());
    g_pendingMappings.clear();
}

void GamepadSetAvailable(int pad, bool on)
{
    if (!validPad(pad)) return;
    if (!on)
        disconnect(g_pads[pad]);
    else if (g_pads[pad].source == Source::None)
        g_pads[pad].source = Source::Injected;
}

void GamepadSetButton(int pad, int button, bool down)
{
    if (validPad(pad) && validButton(button)) g_pads[pad].buttons[button] = down;
}

void GamepadSetAxis(int pad, int axis, float value)
{
    if (validPad(pad) && validAxis(axis)) g_pads[pad].axes[axis] = value;
}

void GamepadReset()
{
    for (Pad &pad : g_pads) {
        disconnect(pad);
        pad.previousButtons.fill(false);
    }
}

}  // namespace rlp

extern "C" {

bool IsGamepadAvailable(int gamepad) { return available(gamepad); }

bool IsGamepadButtonDown(int gamepad, int button)
{
    return available(gamepad) && validButton(button) && g_pads[gamepad].buttons[button];
}

bool IsGamepadButtonPressed(int gamepad, int button)
{
    return available(gamepad) && validButton(button) && g_pads[gamepad].buttons[button] &&
           !g_pads[gamepad].previousButtons[button];
}

bool IsGamepadButtonReleased(int gamepad, int button)
{
    return available(gamepad) && validButton(button) && !g_pads[gamepad].buttons[button] &&
           g_pads[gamepad].previousButtons[button];
}

// An absent pad reads at rest: sticks centred, triggers out.
float GetGamepadAxisMovement(int gamepad, int axis)
{
    if (!validPad(gamepad) || !validAxis(axis)) return 0.0f;
    if (!available(gamepad))
        return (axis == GAMEPAD_AXIS_LEFT_TRIGGER || axis == GAMEPAD_AXIS_RIGHT_TRIGGER) ? -1.0f : 0.0f;
    return g_pads[gamepad].axes[axis];
}

// Before InitWindow GLFW is not up: the mappings are kept and applied when it
// is, and the call answers 0 as GLFW would.
int SetGamepadMappings(const char *mappings)
{
    if (mappings == nullptr) return 0;
    if (!rlp::GlfwReady()) {
        g_pendingMappings += mappings;
        g_pendingMappings += '\n';
        return 0;
    }
    return rlp::backend::UpdateGamepadMappings(mappings);
}

}  // extern "C"
