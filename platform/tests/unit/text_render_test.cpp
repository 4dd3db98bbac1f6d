// Text drawn in a hidden window and read back from a render texture: glyph
// pixels, line width against MeasureText, line breaks, tint, DrawFPS, and
// drawing while the font is unloaded.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

#include "font_data.h"
#include "internal.h"
#include "raylib.h"
#include "text.h"

namespace {

constexpr int kTargetW = 320;
constexpr int kTargetH = 240;

// Smallest rectangle holding every lit pixel, edges inclusive.
struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    bool Empty() const { return left > right; }
    int Width() const { return right - left + 1; }
};

// A hidden window and a render target cleared to black for each test.
class TextRender : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetTraceLogLevel(LOG_WARNING);
        SetConfigFlags(FLAG_WINDOW_HIDDEN);
        InitWindow(kTargetW, kTargetH, "text test");
    }
    static void TearDownTestSuite() { CloseWindow(); }

    void SetUp() override
    {
        ASSERT_TRUE(IsWindowReady()) << "no display: run the tests under Xvfb";
        ASSERT_TRUE(rlp::text::DefaultFontReady()) << "InitWindow should load the default font";
        target = LoadRenderTexture(kTargetW, kTargetH);
        ASSERT_NE(target.id, 0u);
        BeginTextureMode(target);
        ClearBackground(BLACK);
    }
    void TearDown() override
    {
        UnloadImage(image);
        UnloadRenderTexture(target);
    }

    // Ends drawing and reads the picture back.
    void Finish()
    {
        EndTextureMode();
        image = LoadImageFromTexture(target.texture);
        ASSERT_EQ(image.width, kTargetW);
    }
    // Render textures are stored bottom-up; y here counts from the top.
    Color At(int x, int y) const { return GetImageColor(image, x, image.height - 1 - y); }
    bool Lit(int x, int y) const
    {
        const Color c = At(x, y);
        return c.r != 0 || c.g != 0 || c.b != 0;
    }
    Box LitBox() const
    {
        Box box;
        for (int y = 0; y < kTargetH; ++y)
            for (int x = 0; x < kTargetW; ++x)
                if (Lit(x, y))
                    box = Box{std::min(box.left, x), std::min(box.top, y), std::max(box.right, x),
                              std::max(box.bottom, y)};
        return box;
    }
    // Draws one string alone and returns where it landed.
    Box DrawnBox(const char *text, int x, int y, int size)
    {
        DrawText(text, x, y, size, WHITE);
        Finish();
        return LitBox();
    }

    RenderTexture2D target{};
    Image image{};
};

TEST_F(TextRender, GlyphsAppearPixelForPixelAtSize10)
{
    // Every printable glyph in a grid of 16 per row, 12 pixels apart.
    for (int c = 33; c <= 126; ++c) {
        const char text[2] = {char(c), '\0'};
        DrawText(text, 4 + ((c - 32) % 16) * 12, 4 + ((c - 32) / 16) * 14, 10, WHITE);
    }
    Finish();
    for (int c = 33; c <= 126; ++c) {
        const auto &glyph = rlp::font::GlyphFor(c);
        const int ox = 4 + ((c - 32) % 16) * 12, oy = 4 + ((c - 32) / 16) * 14;
        for (int y = -1; y <= rlp::font::kCellHeight; ++y)
            for (int x = -1; x <= glyph.width; ++x)
                EXPECT_EQ(Lit(ox + x, oy + y), glyph.Lit(x, y)) << "'" << char(c) << "' at " << x << "," << y;
    }
}

TEST_F(TextRender, GlyphsScaleToBlocksAtSize20)
{
    for (int c = 33; c <= 126; ++c) {
        const char text[2] = {char(c), '\0'};
        DrawText(text, 2 + ((c - 32) % 16) * 19, 2 + ((c - 32) / 16) * 24, 20, WHITE);
    }
    Finish();
    for (int c = 33; c <= 126; ++c) {
        const auto &glyph = rlp::font::GlyphFor(c);
        const int ox = 2 + ((c - 32) % 16) * 19, oy = 2 + ((c - 32) / 16) * 24;
        for (int y = -1; y <= 2 * rlp::font::kCellHeight; ++y)
            for (int x = -1; x <= 2 * glyph.width; ++x)
                EXPECT_EQ(Lit(ox + x, oy + y), glyph.Lit(x < 0 ? -1 : x / 2, y < 0 ? -1 : y / 2))
                    << "'" << char(c) << "' at " << x << "," << y;
    }
}

TEST_F(TextRender, LineSpansExactlyMeasureTextWidth)
{
    // One string and the size to draw it at.
    struct Case {
        const char *text;
        int size;
    };
    // At a fractional scale the drawn edge rounds while MeasureText truncates;
    // "Hello World" at 13 spans 71.1 pixels, so both give 71.
    const Case cases[] = {{"Level 3", 10},       {"12 FPS", 20},   {"Gold: 5", 30},    {"WiMi", 10},
                          {"a\xC3\xA9z", 20},    {"NEW GAME", 20}, {"DEAD-DEAD-", 10}, {"Hello World", 13},
                          {"(skill issue)", 10}, {"Saved :)", 20}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        BeginTextureMode(target);
        ClearBackground(BLACK);
        const Box box = DrawnBox(c.text, 7, 9, c.size);
        ASSERT_FALSE(box.Empty());
        EXPECT_EQ(box.left, 7);
        EXPECT_EQ(box.Width(), MeasureText(c.text, c.size)) << "size " << c.size;
        UnloadImage(image);
        image = Image{};
    }
}

TEST_F(TextRender, CharactersAreSeparatedBySpacingPixels)
{
    // Two 'l's at size 30: the gap between them is size / 10 = 3 columns.
    DrawText("ll", 0, 0, 30, WHITE);
    Finish();
    const int w = rlp::font::GlyphFor('l').width * 3;
    int firstLitAfterGap = -1;
    for (int x = w; x < kTargetW && firstLitAfterGap < 0; ++x)
        for (int y = 0; y < 30; ++y)
            if (Lit(x, y)) firstLitAfterGap = x;
    EXPECT_EQ(firstLitAfterGap, w + 3);
}

TEST_F(TextRender, LineBreakMovesDownSizePlusTwoAndBackToTheStart)
{
    for (int size : {10, 20}) {
        SCOPED_TRACE(size);
        BeginTextureMode(target);
        ClearBackground(BLACK);
        const Box one = DrawnBox("AB", 5, 3, size);
        UnloadImage(image);
        BeginTextureMode(target);
        ClearBackground(BLACK);
        const Box two = DrawnBox("AB\nAB", 5, 3, size);
        UnloadImage(image);
        image = Image{};
        EXPECT_EQ(two.top, one.top);
        EXPECT_EQ(two.bottom, one.bottom + size + 2);
        EXPECT_EQ(two.left, one.left);
        EXPECT_EQ(two.right, one.right);
    }
    // A short first line: the second still starts at posX.
    BeginTextureMode(target);
    ClearBackground(BLACK);
    const Box box = DrawnBox("...\nWW", 40, 10, 10);
    EXPECT_EQ(box.left, 40);
    EXPECT_EQ(box.Width(), MeasureText("WW", 10));
}

TEST_F(TextRender, PixelsTakeTheTintColour)
{
    const Color tints[] = {{200, 40, 90, 255}, {0, 158, 47, 255}, {255, 255, 255, 255}};
    for (int i = 0; i < 3; ++i)
        DrawText("Tint Mg#", 3, 3 + 30 * i, 20, tints[i]);
    Finish();
    for (int i = 0; i < 3; ++i) {
        int lit = 0;
        for (int y = 3 + 30 * i; y < 3 + 30 * i + 20; ++y) {
            for (int x = 0; x < kTargetW; ++x) {
                if (!Lit(x, y)) continue;
                ++lit;
                const Color c = At(x, y);
                ASSERT_TRUE(c.r == tints[i].r && c.g == tints[i].g && c.b == tints[i].b) << x << "," << y;
            }
        }
        EXPECT_GT(lit, 50) << "tint " << i;
    }
}

TEST_F(TextRender, DrawFPSWritesTheLabelInTheRateColour)
{
    const int fps = GetFPS();
    DrawFPS(10, 20);
    Finish();
    const Box box = LitBox();
    ASSERT_FALSE(box.Empty());
    EXPECT_EQ(box.right - 10 + 1, MeasureText(rlp::text::FpsLabel(fps).c_str(), 20));
    const Color want = rlp::text::FpsColor(fps);
    for (int y = box.top; y <= box.bottom; ++y) {
        for (int x = box.left; x <= box.right; ++x) {
            if (!Lit(x, y)) continue;
            const Color got = At(x, y);
            ASSERT_TRUE(got.r == want.r && got.g == want.g && got.b == want.b) << x << "," << y;
        }
    }
}

TEST_F(TextRender, NothingIsDrawnWhileTheFontIsUnloaded)
{
    rlp::UnloadDefaultFont();
    rlp::UnloadDefaultFont();  // a second unload is harmless
    EXPECT_FALSE(rlp::text::DefaultFontReady());
    DrawText("Level 3", 5, 5, 20, WHITE);
    DrawFPS(5, 40);
    rlp::InitDefaultFont();
    rlp::InitDefaultFont();  // already loaded: a second call changes nothing
    EXPECT_TRUE(rlp::text::DefaultFontReady());
    Finish();
    EXPECT_TRUE(LitBox().Empty());
    // Reloaded, the font draws again.
    UnloadImage(image);
    BeginTextureMode(target);
    DrawText("Level 3", 5, 5, 20, WHITE);
    Finish();
    EXPECT_FALSE(LitBox().Empty());
}

}  // namespace
