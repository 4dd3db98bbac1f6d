// The widgets: the mouse mapped into the virtual screen at any window
// shape, and what a text, a button and a checkbox draw.
#include <gtest/gtest.h>

#include <string>

#include "TestSupport.h"
#include "tic/InputTic.h"
#include "ui/GUIButton.h"
#include "ui/GUICheckbox.h"

namespace {

TEST(Widgets, MouseTestMapsThroughTheLetterboxAndExcludesEdges)
{
    EnsureWindowAndAudio();
    const GUIButton button(10, 10, 100, 100, GRAY, DARKGRAY, false, GUIText(0, 0, 10, "", BLACK, false), true);
    const GUICheckbox atLeftEdge(0, 10, 100, 100, false), atRightEdge(220, 10, 100, 100, false);
    const struct {
        int sw, sh, mx;
        bool onButton, onBox, onRight;
    } cases[] = {
        {640, 480, 20, false, true, false},    // vx 10: the button's edge
        {640, 480, 21, true, true, false},     // vx 10.5
        {640, 480, 220, false, false, false},  // vx 110: the far edge
        {800, 450, 100, false, false, false},  // vx 0 at the picture's left edge
        {800, 450, 102, false, true, false},
        {800, 450, 50, false, false, false},  // over the white bar: negative vx
        // A picture 601 pixels wide: the widgets scale by 320/601, so window
        // x 650 is vx 320, the edge, where the level's 1/scale makes 319.8.
        {700, 451, 649, false, false, true},
        {700, 451, 650, false, false, false},
    };
    for (const auto &c : cases) {
        SetWindowSize(c.sw, c.sh);
        InjectMousePosition(c.mx, 100);
        EXPECT_EQ(button.isMouseOn(), c.onButton) << c.sw << "x" << c.sh << " at " << c.mx;
        EXPECT_EQ(atLeftEdge.isMouseOn(), c.onBox) << c.sw << "x" << c.sh << " at " << c.mx;
        EXPECT_EQ(atRightEdge.isMouseOn(), c.onRight) << c.sw << "x" << c.sh << " at " << c.mx;
        // A run played back answers from its tic, whatever the window is now.
        SetWindowSize(600, 450);
        InjectMousePosition(0, 0);
        InputTic tic;
        tic.mouseX = float(c.mx), tic.mouseY = 100.0f, tic.screenWidth = uint16_t(c.sw),
        tic.screenHeight = uint16_t(c.sh);
        InputTic::current = &tic;
        EXPECT_EQ(button.isMouseOn(), c.onButton) << "played " << c.sw << "x" << c.sh << " at " << c.mx;
        EXPECT_EQ(atRightEdge.isMouseOn(), c.onRight) << "played " << c.sw << "x" << c.sh << " at " << c.mx;
        InputTic::current = nullptr;
    }
    SetWindowSize(600, 450);
}

class WidgetPixels : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureWindowAndAudio();
        target = LoadRenderTexture(320, 240);
        BeginTextureMode(target);
        ClearBackground(BLACK);
    }
    void TearDown() override
    {
        UnloadImage(image);
        UnloadRenderTexture(target);
    }
    void finish()
    {
        EndTextureMode();
        image = LoadImageFromTexture(target.texture);
    }
    unsigned at(int x, int y) const
    {
        const Color c = GetImageColor(image, x, 239 - y);
        return unsigned(c.r) << 16 | unsigned(c.g) << 8 | c.b;
    }

    RenderTexture target{};
    Image image{};
};

TEST_F(WidgetPixels, TextButtonAndCheckboxDrawWhereTheyShould)
{
    const std::string bars(31, '|');  // 31 one-pixel glyphs and 30 gaps: 61 pixels
    ASSERT_EQ(MeasureText(bars.c_str(), 10), 61);
    GUIText(280, 200, 10, bars.c_str(), WHITE, true).draw();
    InjectMousePosition(5, 5);
    GUIButton(10, 10, 40, 20, GRAY, GOLD, false, GUIText(0, 0, 10, "", BLACK, false), false).draw();
    GUIButton(60, 10, 40, 20, GRAY, GOLD, false, GUIText(0, 0, 10, "", BLACK, false), true).draw();
    GUICheckbox ticked(120, 10, 10, 10, false);
    ticked.tick();
    ticked.draw();
    GUICheckbox twice(140, 10, 10, 10, false);
    twice.tick();
    twice.tick();
    twice.draw();
    finish();

    EXPECT_EQ(at(249, 203), 0x000000u);
    EXPECT_EQ(at(250, 203), 0xFFFFFFu) << "61 / 2 = 30: the text starts at 250";
    EXPECT_EQ(at(20, 20), 0xFFCB00u) << "without the hover effect the fill is always the hover colour";
    EXPECT_EQ(at(70, 20), 0x828282u);
    EXPECT_EQ(at(121, 11), 0xFFFFFFu);
    EXPECT_EQ(at(122, 12), 0x000000u) << "the tick is a 5x5 square 2 pixels in";
    EXPECT_EQ(at(126, 16), 0x000000u);
    EXPECT_EQ(at(127, 17), 0xFFFFFFu);
    EXPECT_EQ(at(144, 14), 0xFFFFFFu) << "ticked twice is unticked";
    EXPECT_FALSE(twice.ticked);
}

}  // namespace
