// The letterbox placement of the virtual screen and the mouse's way back.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "core/VirtualScreen.h"

namespace {

void expectBox(const Letterbox &box, float scale, int x, int y, int w, int h)
{
    EXPECT_FLOAT_EQ(box.scale, scale);
    EXPECT_EQ(box.x, x);
    EXPECT_EQ(box.y, y);
    EXPECT_EQ(box.width, w);
    EXPECT_EQ(box.height, h);
}

TEST(Letterbox, StartingWindowIsFilledExactly)
{
    expectBox(ComputeLetterbox(600, 450, 320, 240), 1.875f, 0, 0, 600, 450);
}

TEST(Letterbox, WideWindowGetsBarsLeftAndRight)
{
    expectBox(ComputeLetterbox(800, 450, 320, 240), 1.875f, 100, 0, 600, 450);
}

TEST(Letterbox, TallWindowGetsBarsAboveAndBelow)
{
    expectBox(ComputeLetterbox(320, 480, 320, 240), 1.0f, 0, 120, 320, 240);
}

TEST(Letterbox, OddPixelIsDroppedByIntegerHalving)
{
    expectBox(ComputeLetterbox(641, 480, 320, 240), 2.0f, 0, 0, 640, 480);
}

TEST(Letterbox, ScaleIsNotRoundedToAWholeMultiple)
{
    const Letterbox box = ComputeLetterbox(700, 700, 320, 240);
    EXPECT_FLOAT_EQ(box.scale, 700.0f / 320.0f);
    EXPECT_EQ(box.width, 700);
    EXPECT_EQ(box.height, 525);
    EXPECT_EQ(box.y, 87);
}

TEST(MouseMapping, WindowPixelsToVirtualPixels)
{
    const Vector2 corner = WindowToVirtual({100, 0}, 800, 450);
    EXPECT_FLOAT_EQ(corner.x, 0.0f);
    EXPECT_FLOAT_EQ(corner.y, 0.0f);
    const Vector2 overBar = WindowToVirtual({50, 10}, 800, 450);  // not clamped
    EXPECT_NEAR(overBar.x, -26.667f, 1e-3);
    EXPECT_NEAR(overBar.y, 5.333f, 1e-3);
    const Vector2 far = WindowToVirtual({599, 449}, 600, 450);
    EXPECT_NEAR(far.x, 319.47f, 1e-2);
    EXPECT_NEAR(far.y, 239.47f, 1e-2);
    for (const auto &[sw, sh] : {std::pair{0, 0}, {0, 450}, {600, 0}}) {  // minimised: the mouse rests mid-screen
        const Vector2 mid = WindowToVirtual({0, 0}, sw, sh);
        EXPECT_TRUE(mid.x == 160.0f && mid.y == 120.0f) << sw << "x" << sh << ": " << mid.x << ", " << mid.y;
    }
}

TEST(MouseMapping, GetScreenMousePosGoesThroughTheCamera)
{
    EnsureWindowAndAudio();
    AutomationEvent move{0, 7, {300, 225, 0, 0}};  // the window's centre
    PlayAutomationEvent(move);
    const Camera2D camera{{120, 120}, {500, 400}, 0.0f, 1.0f};
    const Vector2 world = GetScreenMousePos(camera);
    ASSERT_EQ(GetScreenWidth(), 600);
    ASSERT_EQ(GetScreenHeight(), 450);
    EXPECT_NEAR(world.x, 160.0f - 120.0f + 500.0f, 1e-3);
    EXPECT_NEAR(world.y, 120.0f - 120.0f + 400.0f, 1e-3);
}

}  // namespace
