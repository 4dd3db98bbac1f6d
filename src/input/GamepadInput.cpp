#include "input/GamepadInput.h"

#include <cmath>

#include "sim/SimMath.h"
#include "tic/InputTic.h"

namespace {

constexpr int kPads = 4;
// sin(22.5 degrees): a stick counts toward an axis within 67.5 degrees of
// it, which splits the circle into eight equal sectors.
constexpr float kEighthSector = 0.38268343f;

int signOf(float v) { return v > 0.0f ? 1 : (v < 0.0f ? -1 : 0); }

Vector2 stickOf(int pad, int axisX, int axisY)
{
    return Vector2{GetGamepadAxisMovement(pad, axisX), GetGamepadAxisMovement(pad, axisY)};
}

StepDirection dpadOf(int pad)
{
    StepDirection d;
    if (IsGamepadButtonDown(pad, GAMEPAD_BUTTON_LEFT_FACE_LEFT)) d.x -= 1;
    if (IsGamepadButtonDown(pad, GAMEPAD_BUTTON_LEFT_FACE_RIGHT)) d.x += 1;
    if (IsGamepadButtonDown(pad, GAMEPAD_BUTTON_LEFT_FACE_UP)) d.y -= 1;
    if (IsGamepadButtonDown(pad, GAMEPAD_BUTTON_LEFT_FACE_DOWN)) d.y += 1;
    return d;
}

}  // namespace

int GamepadInput::activePad()
{
    for (int pad = 0; pad < kPads; ++pad)
        if (IsGamepadAvailable(pad)) return pad;
    return -1;
}

GamepadInput GamepadInput::read()
{
    GamepadInput in;
    if (const InputTic *tic = InputTic::current) {
        in.connected = tic->pad & InputTic::kPadConnected;
        in.aiming = tic->pad & InputTic::kPadAiming;
        in.fire = tic->pad & InputTic::kPadFire;
        in.pressedA = tic->pad & InputTic::kPadA;
        in.pressedY = tic->pad & InputTic::kPadY;
        in.menu = StepDirection{tic->padMenuX, tic->padMenuY};
        if (in.aiming) in.aim = Vector2{float(tic->padAimX) / 127.0f, float(tic->padAimY) / 127.0f};
        return in;
    }
    const int pad = activePad();
    if (pad < 0) return in;
    in.connected = true;
    const StepDirection dpad = dpadOf(pad);
    const Vector2 left = stickOf(pad, GAMEPAD_AXIS_LEFT_X, GAMEPAD_AXIS_LEFT_Y);
    in.menu = dpad.none() ? fourWay(left) : dpad;
    const Vector2 right = stickOf(pad, GAMEPAD_AXIS_RIGHT_X, GAMEPAD_AXIS_RIGHT_Y);
    in.aiming = outsideDeadZone(right);
    if (in.aiming) in.aim = right;
    in.fire = IsGamepadButtonDown(pad, GAMEPAD_BUTTON_RIGHT_TRIGGER_2) ||
              IsGamepadButtonDown(pad, GAMEPAD_BUTTON_RIGHT_TRIGGER_1);
    in.pressedA = IsGamepadButtonPressed(pad, GAMEPAD_BUTTON_RIGHT_FACE_DOWN);
    in.pressedY = IsGamepadButtonPressed(pad, GAMEPAD_BUTTON_RIGHT_FACE_UP);
    return in;
}

bool GamepadInput::outsideDeadZone(Vector2 stick)
{
    return stick.x * stick.x + stick.y * stick.y > kStickDeadZone * kStickDeadZone;
}

StepDirection GamepadInput::eightWay(Vector2 stick)
{
    if (!outsideDeadZone(stick)) return {};
    const float threshold = sim::hypot(stick.x, stick.y) * kEighthSector;
    return {std::fabs(stick.x) > threshold ? signOf(stick.x) : 0, std::fabs(stick.y) > threshold ? signOf(stick.y) : 0};
}

StepDirection GamepadInput::fourWay(Vector2 stick)
{
    if (!outsideDeadZone(stick)) return {};
    if (std::fabs(stick.x) >= std::fabs(stick.y)) return {signOf(stick.x), 0};
    return {0, signOf(stick.y)};
}

bool MouseWatch::used(Vector2 position, bool clicked)
{
    // The first look only learns where the mouse rests.
    const bool moved = seen && (position.x != last.x || position.y != last.y);
    last = position;
    seen = true;
    return moved || clicked;
}

void AimSwitch::update(Vector2 mouse, bool mouseClicked, const GamepadInput &pad)
{
    // A trigger held through a mouse move must not keep the aim: only its
    // pull counts.
    const bool triggerPulled = pad.fire && !wasFiring;
    wasFiring = pad.fire;
    if (mouseWatch.used(mouse, mouseClicked)) padAims = false;
    if (pad.aiming || triggerPulled) padAims = true;
}

StepDirection MenuRepeat::update(StepDirection held)
{
    if (held != last) {
        last = held;
        heldFor = 0;
        return held;
    }
    if (held.none()) return {};
    heldFor += 1;
    if (heldFor >= kDelay && (heldFor - kDelay) % kInterval == 0) return held;
    return {};
}
