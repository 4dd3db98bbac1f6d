#include "options/ActionInput.h"

#include "raylib.h"

namespace {

bool codeDown(int code) { return IsMouseCode(code) ? IsMouseButtonDown(code - kMouseCodeBase) : IsKeyDown(code); }

bool codePressed(int code)
{
    return IsMouseCode(code) ? IsMouseButtonPressed(code - kMouseCodeBase) : IsKeyPressed(code);
}

}  // namespace

bool ActionInput::keyDown(const Bindings &bindings, Action action)
{
    for (int code : bindings.keys[action])
        if (codeDown(code)) return true;
    return false;
}

bool ActionInput::keyPressed(const Bindings &bindings, Action action)
{
    for (int code : bindings.keys[action])
        if (codePressed(code)) return true;
    return false;
}

bool ActionInput::padDown(const Bindings &bindings, Action action)
{
    const int pad = GamepadInput::activePad();
    if (pad < 0) return false;
    for (int button : bindings.pad[action])
        if (IsGamepadButtonDown(pad, button)) return true;
    return false;
}

bool ActionInput::padPressed(const Bindings &bindings, Action action)
{
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
