// Gamepads without a device: states written by automation events and by the
// GLFW mapping path, and the once-a-frame poll that ages them.
#include <gtest/gtest.h>

#include <array>
#include <climits>

#include "internal.h"
#include "raylib.h"

namespace {

constexpr unsigned int kConnect = 9, kDisconnect = 10, kButtonUp = 11, kButtonDown = 12, kAxis = 13;

void play(unsigned int type, int pad, int p1 = 0, int p2 = 0)
{
    AutomationEvent event{};
    event.type = type;
    event.params[0] = pad;
    event.params[1] = p1;
    event.params[2] = p2;
    PlayAutomationEvent(event);
}

// Runs one frame; without a window this is only the input poll.
void frame()
{
    BeginDrawing();
    EndDrawing();
}

class Gamepad : public ::testing::Test {
protected:
    void SetUp() override { rlp::InputReset(); }
    void TearDown() override { rlp::InputReset(); }
};

TEST_F(Gamepad, ConnectAndDisconnectEventsSetAvailabilityOfThatPadOnly)
{
    for (int pad = 0; pad < 4; ++pad)
        EXPECT_FALSE(IsGamepadAvailable(pad));
    play(kButtonDown, 2, GAMEPAD_BUTTON_RIGHT_FACE_DOWN);
    EXPECT_FALSE(IsGamepadButtonDown(2, GAMEPAD_BUTTON_RIGHT_FACE_DOWN)) << "an absent pad has no buttons";
    play(kConnect, 2);
    EXPECT_TRUE(IsGamepadAvailable(2));
    EXPECT_FALSE(IsGamepadAvailable(1));
    frame();
    EXPECT_TRUE(IsGamepadAvailable(2)) << "a poll without GLFW pads keeps an injected one";
    play(kDisconnect, 2);
    EXPECT_FALSE(IsGamepadAvailable(2));
}

TEST_F(Gamepad, ButtonIsPressedUntilThePollAndReleasedUntilTheNext)
{
    play(kConnect, 0);
    play(kButtonDown, 0, GAMEPAD_BUTTON_MIDDLE_RIGHT);
    EXPECT_TRUE(IsGamepadButtonDown(0, GAMEPAD_BUTTON_MIDDLE_RIGHT));
    EXPECT_TRUE(IsGamepadButtonPressed(0, GAMEPAD_BUTTON_MIDDLE_RIGHT));
    EXPECT_FALSE(IsGamepadButtonReleased(0, GAMEPAD_BUTTON_MIDDLE_RIGHT));
    EXPECT_FALSE(IsGamepadButtonDown(0, GAMEPAD_BUTTON_MIDDLE_LEFT));
    frame();
    EXPECT_TRUE(IsGamepadButtonDown(0, GAMEPAD_BUTTON_MIDDLE_RIGHT));
    EXPECT_FALSE(IsGamepadButtonPressed(0, GAMEPAD_BUTTON_MIDDLE_RIGHT));
    play(kButtonUp, 0, GAMEPAD_BUTTON_MIDDLE_RIGHT);
    EXPECT_FALSE(IsGamepadButtonDown(0, GAMEPAD_BUTTON_MIDDLE_RIGHT));
    EXPECT_TRUE(IsGamepadButtonReleased(0, GAMEPAD_BUTTON_MIDDLE_RIGHT));
    frame();
    EXPECT_FALSE(IsGamepadButtonReleased(0, GAMEPAD_BUTTON_MIDDLE_RIGHT));
}

TEST_F(Gamepad, AxisEventsCarryValueTimes32768AndTriggersRestAtMinusOne)
{
    EXPECT_FLOAT_EQ(GetGamepadAxisMovement(3, GAMEPAD_AXIS_RIGHT_TRIGGER), -1.0f);
    play(kConnect, 3);
    EXPECT_FLOAT_EQ(GetGamepadAxisMovement(3, GAMEPAD_AXIS_LEFT_X), 0.0f);
    EXPECT_FLOAT_EQ(GetGamepadAxisMovement(3, GAMEPAD_AXIS_LEFT_TRIGGER), -1.0f);
    const struct {
        int axis, raw;
        float value;
    } cases[] = {{GAMEPAD_AXIS_LEFT_X, 16384, 0.5f},
                 {GAMEPAD_AXIS_LEFT_Y, -32768, -1.0f},
                 {GAMEPAD_AXIS_RIGHT_X, 327, 327 / 32768.0f},  // no dead zone
                 {GAMEPAD_AXIS_RIGHT_TRIGGER, 32767, 32767 / 32768.0f}};
    for (const auto &c : cases) {
        play(kAxis, 3, c.axis, c.raw);
        EXPECT_FLOAT_EQ(GetGamepadAxisMovement(3, c.axis), c.value) << "axis " << c.axis;
    }
    frame();
    EXPECT_FLOAT_EQ(GetGamepadAxisMovement(3, GAMEPAD_AXIS_LEFT_X), 0.5f) << "the poll keeps injected axes";
}

TEST_F(Gamepad, GlfwStateIsRemappedAndTriggersAreButtonsAboveATenth)
{
    // GLFW order: A B X Y, bumpers, back guide start, thumbs, d-pad up right down left.
    std::array<unsigned char, 15> buttons{};
    buttons[0] = 1;   // A
    buttons[11] = 1;  // d-pad up
    buttons[4] = 1;   // left bumper
    const std::array<float, 6> axes{-0.25f, 1.0f, 0.0f, 0.0f, 0.1f, 0.11f};
    play(kConnect, 1);
    play(kButtonDown, 1, GAMEPAD_BUTTON_MIDDLE);  // overwritten by the real pad's state
    rlp::GamepadApplyGlfwState(1, buttons.data(), axes.data());
    EXPECT_TRUE(IsGamepadAvailable(1));
    const int down[] = {GAMEPAD_BUTTON_RIGHT_FACE_DOWN, GAMEPAD_BUTTON_LEFT_FACE_UP, GAMEPAD_BUTTON_LEFT_TRIGGER_1,
                        GAMEPAD_BUTTON_RIGHT_TRIGGER_2};
    int downCount = 0;
    for (int b = 0; b < 32; ++b)
        downCount += IsGamepadButtonDown(1, b);
    EXPECT_EQ(downCount, 4);
    for (int b : down)
        EXPECT_TRUE(IsGamepadButtonPressed(1, b)) << "button " << b;
    EXPECT_FALSE(IsGamepadButtonDown(1, GAMEPAD_BUTTON_LEFT_TRIGGER_2)) << "0.1 is not above the threshold";
    EXPECT_FLOAT_EQ(GetGamepadAxisMovement(1, GAMEPAD_AXIS_LEFT_X), -0.25f);
    EXPECT_FLOAT_EQ(GetGamepadAxisMovement(1, GAMEPAD_AXIS_LEFT_Y), 1.0f);
    EXPECT_FLOAT_EQ(GetGamepadAxisMovement(1, GAMEPAD_AXIS_LEFT_TRIGGER), 0.1f);
}

TEST_F(Gamepad, BadPadButtonAndAxisNumbersAnswerFalseAndZero)
{
    for (int pad = 0; pad < 4; ++pad)
        play(kConnect, pad);
    const int badPads[] = {-1, 4, 1000, INT_MIN, INT_MAX};
    for (int pad : badPads) {
        play(kConnect, pad);
        play(kButtonDown, pad, 1);
        play(kAxis, pad, 0, 32767);
        EXPECT_FALSE(IsGamepadAvailable(pad));
        EXPECT_FALSE(IsGamepadButtonDown(pad, 1));
        EXPECT_FALSE(IsGamepadButtonPressed(pad, 1));
        EXPECT_EQ(GetGamepadAxisMovement(pad, 0), 0.0f);
    }
    const int badIndices[] = {-1, 32, 1000, INT_MIN, INT_MAX};
    for (int index : badIndices) {
        play(kButtonDown, 0, index);
        play(kAxis, 0, index, 32767);
        EXPECT_FALSE(IsGamepadButtonDown(0, index));
        EXPECT_FALSE(IsGamepadButtonPressed(0, index));
        EXPECT_FALSE(IsGamepadButtonReleased(0, index));
        EXPECT_EQ(GetGamepadAxisMovement(0, index), 0.0f);
    }
    EXPECT_EQ(GetGamepadAxisMovement(0, 8), 0.0f);
    EXPECT_EQ(SetGamepadMappings(nullptr), 0);
}

}  // namespace

// Typed characters come out oldest first, at most 16 a frame, and a poll
// forgets what the frame before did not take, as raylib's queue does.
TEST(TypedCharacters, QueueInOrderHoldSixteenAndLastOnePoll)
{
    rlp::InputReset();
    EXPECT_EQ(GetCharPressed(), 0);
    for (unsigned int c : {0x41u, 0xE9u, 0x1F600u}) rlp::InputAddChar(c);
    EXPECT_EQ(GetCharPressed(), 0x41);
    EXPECT_EQ(GetCharPressed(), 0xE9);
    EXPECT_EQ(GetCharPressed(), 0x1F600);
    EXPECT_EQ(GetCharPressed(), 0);
    for (unsigned int c = 'a'; c < 'a' + 20; ++c) rlp::InputAddChar(c);
    int taken = 0;
    while (GetCharPressed() != 0) ++taken;
    EXPECT_EQ(taken, 16);
    rlp::InputAddChar('x');
    rlp::InputBeginPoll();
    EXPECT_EQ(GetCharPressed(), 0);
    rlp::InputReset();
}
