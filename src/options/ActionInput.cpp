#include "options/ActionInput.h"

#include <algorithm>
#include <cmath>

#include "core/VirtualScreen.h"
#include "raylib.h"
#include "system/StepClock.h"

namespace {

bool codeDown(int code) { return IsMouseCode(code) ? IsMouseButtonDown(code - kMouseCodeBase) : IsKeyDown(code); }

bool codePressed(int code)
{
    return IsMouseCode(code) ? IsMouseButtonPressed(code - kMouseCodeBase) : IsKeyPressed(code);
}

}  // namespace

bool ActionInput::keyDown(const Bindings &bindings, Action action)
{
    if (const InputTic *tic = InputTic::current) return InputTic::bit(tic->keyHeld, action);
    for (int code : bindings.keys[action])
        if (codeDown(code)) return true;
    return false;
}

bool ActionInput::keyPressed(const Bindings &bindings, Action action)
{
    if (const InputTic *tic = InputTic::current) return InputTic::bit(tic->keyPressed, action);
    for (int code : bindings.keys[action])
        if (codePressed(code)) return true;
    return false;
}

bool ActionInput::padDown(const Bindings &bindings, Action action)
{
    if (const InputTic *tic = InputTic::current) return InputTic::bit(tic->padHeld, action);
    const int pad = GamepadInput::activePad();
    if (pad < 0) return false;
    for (int button : bindings.pad[action])
        if (IsGamepadButtonDown(pad, button)) return true;
    return false;
}

bool ActionInput::padPressed(const Bindings &bindings, Action action)
{
    if (const InputTic *tic = InputTic::current) return InputTic::bit(tic->padPressed, action);
    if (action == ACTION_PAUSE) {
        for (int pad = 0; pad < 4; ++pad)
            for (int button : bindings.pad[action])
                if (IsGamepadButtonPressed(pad, button)) return true;
        return false;
    }
    const int pad = GamepadInput::activePad();
    if (pad < 0) return false;
    for (int button : bindings.pad[action])
        if (IsGamepadButtonPressed(pad, button)) return true;
    return false;
}

StepDirection ActionInput::padWalk(const Bindings &bindings)
{
    if (const InputTic *tic = InputTic::current) return StepDirection{tic->padWalkX, tic->padWalkY};
    const int pad = GamepadInput::activePad();
    if (pad < 0) return {};
    StepDirection d;
    if (padDown(bindings, ACTION_WALK_LEFT)) d.x -= 1;
    if (padDown(bindings, ACTION_WALK_RIGHT)) d.x += 1;
    if (padDown(bindings, ACTION_WALK_UP)) d.y -= 1;
    if (padDown(bindings, ACTION_WALK_DOWN)) d.y += 1;
    if (!d.none()) return d;
    return GamepadInput::eightWay(
        Vector2{GetGamepadAxisMovement(pad, GAMEPAD_AXIS_LEFT_X), GetGamepadAxisMovement(pad, GAMEPAD_AXIS_LEFT_Y)});
}

int ActionInput::anyKeyPressed(bool mouse)
{
    for (const InputName &n : KeyNames()) {
        if (IsMouseCode(n.code) && !mouse) continue;
        if (codePressed(n.code)) return n.code;
    }
    return -1;
}

int ActionInput::anyPadPressed()
{
    const int pad = GamepadInput::activePad();
    if (pad < 0) return -1;
    for (const InputName &n : PadNames())
        if (IsGamepadButtonPressed(pad, n.code)) return n.code;
    return -1;
}

// A ninth action would find no bit in the tic and go unrecorded.
static_assert(ACTION_COUNT <= 8 * sizeof(InputTic::keyHeld), "every action needs a bit of the tic");

InputTic ActionInput::sample(const Bindings &bindings)
{
    const InputTic *const played = InputTic::current;
    InputTic::current = nullptr;  // what the library says now
    InputTic tic;
    for (int a = 0; a < ACTION_COUNT; ++a) {
        if (a == ACTION_PAUSE) continue;  // the pause reads the library, never the run's tic
        const uint8_t bit = uint8_t(1u << a);
        if (keyDown(bindings, Action(a))) tic.keyHeld |= bit;
        if (keyPressed(bindings, Action(a))) tic.keyPressed |= bit;
        if (padDown(bindings, Action(a))) tic.padHeld |= bit;
        if (padPressed(bindings, Action(a))) tic.padPressed |= bit;
    }
    const StepDirection walk = padWalk(bindings);
    tic.padWalkX = int8_t(walk.x);
    tic.padWalkY = int8_t(walk.y);
    const GamepadInput pad = GamepadInput::read();
    tic.pad = uint8_t((pad.connected ? InputTic::kPadConnected : 0) | (pad.aiming ? InputTic::kPadAiming : 0) |
                      (pad.fire ? InputTic::kPadFire : 0) | (pad.pressedA ? InputTic::kPadA : 0) |
                      (pad.pressedY ? InputTic::kPadY : 0));
    tic.padMenuX = int8_t(pad.menu.x);
    tic.padMenuY = int8_t(pad.menu.y);
    const auto stick = [](float v) { return int8_t(std::lround(std::clamp(v, -1.0f, 1.0f) * 127.0f)); };
    tic.padAimX = stick(pad.aim.x);
    tic.padAimY = stick(pad.aim.y);
    // As the library reports them: the game maps them on, the same way live and played.
    const auto bounded = [](float v, float most) { return v >= -most && v <= most ? v : v > 0.0f ? most : -most; };
    const Vector2 mouse = GetMousePosition();
    tic.mouseX = bounded(mouse.x, InputTic::kMaxPointer);
    tic.mouseY = bounded(mouse.y, InputTic::kMaxPointer);
    const auto size = [](int pixels) { return uint16_t(std::clamp(pixels, 0, 65535)); };
    tic.screenWidth = size(GetScreenWidth());
    tic.screenHeight = size(GetScreenHeight());
    tic.click = IsVirtualClick() ? 1 : 0;
    tic.step = StepClock::paced(StepClock::seconds());  // a fixed step too
    InputTic::current = played;
    return tic;
}
