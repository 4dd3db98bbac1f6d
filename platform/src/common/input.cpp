// Keyboard and mouse state, polled once a frame, and automation events.
#include <algorithm>
#include <array>

#include "internal.h"

namespace {

constexpr int kMaxKeys = 512;
constexpr int kMaxButtons = 8;
// raylib keeps the characters typed since the last poll in a queue this long.
constexpr int kMaxQueuedChars = 16;

// Automation event types of raylib 5.5 that the layer plays back.
enum : unsigned int {
    kEventKeyUp = 1,
    kEventKeyDown = 2,
    kEventMouseButtonUp = 5,
    kEventMouseButtonDown = 6,
    kEventMousePosition = 7,
    kEventMouseWheel = 8,
    kEventGamepadConnect = 9,
    kEventGamepadDisconnect = 10,
    kEventGamepadButtonUp = 11,
    kEventGamepadButtonDown = 12,
    kEventGamepadAxis = 13,
};

// Axis values travel in events as value x 32768.
constexpr float kAxisScale = 32768.0f;

// The input state of one poll and of the poll before it.
struct InputState {
    std::array<bool, kMaxKeys> keys{};
    std::array<bool, kMaxKeys> previousKeys{};
    std::array<bool, kMaxButtons> buttons{};
    std::array<bool, kMaxButtons> previousButtons{};
    Vector2 mouse{0.0f, 0.0f};
    std::array<int, kMaxQueuedChars> chars{};  // typed since the last poll, oldest first
    int charCount = 0;
};

InputState g_input;

bool validKey(int key) { return key >= 0 && key < kMaxKeys; }
bool validButton(int button) { return button >= 0 && button < kMaxButtons; }

}  // namespace

namespace rlp {

void InputBeginPoll()
{
    g_input.previousKeys = g_input.keys;
    g_input.previousButtons = g_input.buttons;
    g_input.charCount = 0;  // a character not taken by the next frame is gone, as in raylib
    GamepadBeginPoll();
}

void InputSetKey(int key, bool down)
{
    if (validKey(key)) g_input.keys[key] = down;
}

void InputSetMouseButton(int button, bool down)
{
    if (validButton(button)) g_input.buttons[button] = down;
}

void InputSetMousePosition(float x, float y) { g_input.mouse = {x, y}; }

void InputAddChar(unsigned int codepoint)
{
    if (g_input.charCount < kMaxQueuedChars) g_input.chars[g_input.charCount++] = int(codepoint);
}

void InputReset()
{
    g_input = InputState{};
    GamepadReset();
}

}  // namespace rlp

extern "C" {

bool IsKeyDown(int key) { return validKey(key) && g_input.keys[key]; }

bool IsKeyPressed(int key) { return validKey(key) && g_input.keys[key] && !g_input.previousKeys[key]; }

bool IsKeyReleased(int key) { return validKey(key) && !g_input.keys[key] && g_input.previousKeys[key]; }

int GetCharPressed(void)
{
    if (g_input.charCount == 0) return 0;
    const int first = g_input.chars[0];
    std::copy(g_input.chars.begin() + 1, g_input.chars.begin() + g_input.charCount, g_input.chars.begin());
    --g_input.charCount;
    return first;
}

bool IsMouseButtonDown(int button) { return validButton(button) && g_input.buttons[button]; }

bool IsMouseButtonPressed(int button)
{
    return validButton(button) && g_input.buttons[button] && !g_input.previousButtons[button];
}

Vector2 GetMousePosition(void) { return g_input.mouse; }

void PlayAutomationEvent(AutomationEvent event)
{
    switch (event.type) {
        case kEventKeyUp: rlp::InputSetKey(event.params[0], false); break;
        case kEventKeyDown: rlp::InputSetKey(event.params[0], true); break;
        case kEventMouseButtonUp: rlp::InputSetMouseButton(event.params[0], false); break;
        case kEventMouseButtonDown: rlp::InputSetMouseButton(event.params[0], true); break;
        case kEventMousePosition: rlp::InputSetMousePosition(float(event.params[0]), float(event.params[1])); break;
        case kEventGamepadConnect: rlp::GamepadSetAvailable(event.params[0], true); break;
        case kEventGamepadDisconnect: rlp::GamepadSetAvailable(event.params[0], false); break;
        case kEventGamepadButtonUp: rlp::GamepadSetButton(event.params[0], event.params[1], false); break;
        case kEventGamepadButtonDown: rlp::GamepadSetButton(event.params[0], event.params[1], true); break;
        case kEventGamepadAxis:
            rlp::GamepadSetAxis(event.params[0], event.params[1], float(event.params[2]) / kAxisScale);
            break;
        case kEventMouseWheel:  // the layer offers no wheel query
        default: break;         // other event kinds are not used by the game
    }
}

}  // extern "C"
