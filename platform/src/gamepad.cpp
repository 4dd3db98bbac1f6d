// Gamepads 0-3: button and axis states of one poll and the poll before it,
// read through GLFW's gamepad mappings and writable by automation events.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#ifdef __EMSCRIPTEN__
#include <emscripten/html5.h>
// Emscripten's GLFW is 3.2, without 3.3's gamepad state; the layer keeps
// GLFW's form of it as the one both read into.
#define GLFW_GAMEPAD_BUTTON_LAST 14
#define GLFW_GAMEPAD_AXIS_LAST 5
#define GLFW_GAMEPAD_AXIS_LEFT_TRIGGER 4
#define GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER 5
struct GLFWgamepadstate {
    unsigned char buttons[15];
    float axes[6];
};
#endif

#include <array>
#include <string>

#include "internal.h"

namespace {

constexpr int kMaxPads = 4;
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

std::array<Pad, kMaxPads> g_pads;
// Mappings given before GLFW was initialised, applied once it is.
std::string g_pendingMappings;

bool validPad(int pad) { return pad >= 0 && pad < kMaxPads; }
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
constexpr std::array<int, GLFW_GAMEPAD_BUTTON_LAST + 1> kButtonFromGlfw = {
    GAMEPAD_BUTTON_RIGHT_FACE_DOWN, GAMEPAD_BUTTON_RIGHT_FACE_RIGHT, GAMEPAD_BUTTON_RIGHT_FACE_LEFT,
    GAMEPAD_BUTTON_RIGHT_FACE_UP,   GAMEPAD_BUTTON_LEFT_TRIGGER_1,   GAMEPAD_BUTTON_RIGHT_TRIGGER_1,
    GAMEPAD_BUTTON_MIDDLE_LEFT,     GAMEPAD_BUTTON_MIDDLE,           GAMEPAD_BUTTON_MIDDLE_RIGHT,
    GAMEPAD_BUTTON_LEFT_THUMB,      GAMEPAD_BUTTON_RIGHT_THUMB,      GAMEPAD_BUTTON_LEFT_FACE_UP,
    GAMEPAD_BUTTON_LEFT_FACE_RIGHT, GAMEPAD_BUTTON_LEFT_FACE_DOWN,   GAMEPAD_BUTTON_LEFT_FACE_LEFT,
};

#ifdef __EMSCRIPTEN__
// The browser's Gamepad API gives its "standard" layout where it knows the
// pad: buttons A, B, X, Y, bumpers, analog triggers, back, start, thumbs,
// d-pad up/down/left/right, guide; axes left x/y, right x/y. It is turned
// into GLFW's gamepad state so both read the same.
bool readBrowserPad(int index)
{
    EmscriptenGamepadEvent pad{};
    if (emscripten_get_gamepad_status(index, &pad) != EMSCRIPTEN_RESULT_SUCCESS || !pad.connected) return false;
    constexpr std::array<int, GLFW_GAMEPAD_BUTTON_LAST + 1> kStandard = {0, 1,  2,  3,  4,  5,  8, 16,
                                                                         9, 10, 11, 12, 15, 13, 14};
    GLFWgamepadstate state{};
    for (std::size_t i = 0; i < kStandard.size(); ++i)
        state.buttons[i] = kStandard[i] < pad.numButtons && pad.digitalButton[kStandard[i]] ? GLFW_PRESS : GLFW_RELEASE;
    for (int i = 0; i < 4; ++i)
        state.axes[i] = i < pad.numAxes ? float(pad.axis[i]) : 0.0f;
    // Triggers travel 0..1 in the browser and -1..1 in GLFW.
    state.axes[GLFW_GAMEPAD_AXIS_LEFT_TRIGGER] = 6 < pad.numButtons ? float(pad.analogButton[6]) * 2.0f - 1.0f : -1.0f;
    state.axes[GLFW_GAMEPAD_AXIS_RIGHT_TRIGGER] = 7 < pad.numButtons ? float(pad.analogButton[7]) * 2.0f - 1.0f : -1.0f;
    rlp::GamepadApplyGlfwState(index, state.buttons, state.axes);
    return true;
}
#else
void readGlfwPad(int jid)
{
    // A joystick without a mapping reads as all zero, as GLFW leaves it.
    GLFWgamepadstate state{};
    glfwGetGamepadState(jid, &state);
    rlp::GamepadApplyGlfwState(jid, state.buttons, state.axes);
}
#endif

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
    for (int i = 0; i <= GLFW_GAMEPAD_AXIS_LAST; ++i)
        p.axes[i] = axes[i];
    p.buttons[GAMEPAD_BUTTON_LEFT_TRIGGER_2] = p.axes[GAMEPAD_AXIS_LEFT_TRIGGER] > kTriggerThreshold;
    p.buttons[GAMEPAD_BUTTON_RIGHT_TRIGGER_2] = p.axes[GAMEPAD_AXIS_RIGHT_TRIGGER] > kTriggerThreshold;
}

void GamepadPollGlfw()
{
#ifdef __EMSCRIPTEN__
    const bool sampled = emscripten_sample_gamepad_data() == EMSCRIPTEN_RESULT_SUCCESS;
    for (int index = 0; index < kMaxPads; ++index) {
        if (!(sampled && index < emscripten_get_num_gamepads() && readBrowserPad(index)) &&
            g_pads[index].source == Source::Glfw)
            disconnect(g_pads[index]);
    }
#else
    for (int jid = 0; jid < kMaxPads; ++jid) {
        if (glfwJoystickPresent(jid))
            readGlfwPad(jid);
        else if (g_pads[jid].source == Source::Glfw)
            disconnect(g_pads[jid]);
    }
#endif
}

void GamepadOnGlfwInit()
{
#ifdef __EMSCRIPTEN__
    // The browser maps pads itself.
    g_pendingMappings.clear();
#else
    if (g_pendingMappings.empty()) return;
    glfwUpdateGamepadMappings(g_pendingMappings.c_str());
    g_pendingMappings.clear();
#endif
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
#ifdef __EMSCRIPTEN__
    return 0;
#else
    return glfwUpdateGamepadMappings(mappings);
#endif
}

}  // extern "C"
