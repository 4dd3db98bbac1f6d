// Frames that repeat the picture on screen are not drawn again; every other
// frame is, and what a repeated frame leaves in its targets is unchanged.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "frame_record.h"
#include "raylib.h"

namespace {

class FrameRecord : public ::testing::Test {
public:
    static void SetUpTestSuite()
    {
        SetTraceLogLevel(LOG_WARNING);
        SetConfigFlags(FLAG_WINDOW_HIDDEN);
        InitWindow(160, 120, "frame record test");
    }
    static void TearDownTestSuite() { CloseWindow(); }

    void SetUp() override
    {
        ASSERT_TRUE(IsWindowReady()) << "no display: run the tests under the e2e harness";
        target = LoadRenderTexture(32, 32);
    }
    void TearDown() override { UnloadRenderTexture(target); }

    // One frame as the game draws it: into the target, then the target and
    // `extra` into the window. Returns whether the frame was drawn.
    bool frame(int x, bool clearTarget = true, const std::function<void()> &extra = {})
    {
        const std::uint64_t before = rlp::FramesDrawn();
        BeginTextureMode(target);
        if (clearTarget) ClearBackground(BLACK);
        DrawRectangle(x, 4, 8, 8, ColorAlpha(WHITE, 0.5f));
        EndTextureMode();
        BeginDrawing();
        ClearBackground(BLUE);
        DrawTexturePro(target.texture, {0, 0, 32, -32}, {0, 0, 96, 96}, {0, 0}, 0, WHITE);
        if (extra) extra();
        EndDrawing();
        return rlp::FramesDrawn() == before + 1;
    }

    unsigned char targetRedAt(int x, int y)
    {
        Image image = LoadImageFromTexture(target.texture);
        const unsigned char r = GetImageColor(image, x, image.height - 1 - y).r;
        UnloadImage(image);
        return r;
    }

    RenderTexture2D target{};
};

TEST_F(FrameRecord, OnlyAChangedFrameIsDrawnAgain)
{
    struct Step {
        const char *what;
        std::function<bool(FrameRecord &)> run;
        bool drawn;
    };
    const std::vector<Step> steps = {
        {"first frame", [](FrameRecord &t) { return t.frame(4); }, true},
        {"the same frame", [](FrameRecord &t) { return t.frame(4); }, false},
        {"and again", [](FrameRecord &t) { return t.frame(4); }, false},
        {"a shape moved one pixel", [](FrameRecord &t) { return t.frame(5); }, true},
        {"the moved frame again", [](FrameRecord &t) { return t.frame(5); }, false},
        {"one more glyph", [](FrameRecord &t) { return t.frame(5, true, [] { DrawText("a", 100, 0, 10, RED); }); },
         true},
        {"back without it", [](FrameRecord &t) { return t.frame(5); }, true},
        {"the window resized",
         [](FrameRecord &t) {
             SetWindowSize(170, 128);
             return t.frame(5);
         },
         true},
        // The window system confirms the size a little later, which redraws once more.
        {"then still",
         [](FrameRecord &t) {
             for (int i = 0; i < 5; ++i)
                 t.frame(5);
             return t.frame(5);
         },
         false},
        {"a texture loaded",
         [](FrameRecord &t) {
             UnloadRenderTexture(LoadRenderTexture(4, 4));
             return t.frame(5);
         },
         true},
        {"a read-back inside the frame", [](FrameRecord &t) { return t.frame(5, true, [&t] { t.targetRedAt(0, 0); }); },
         true},
        {"a target not cleared", [](FrameRecord &t) { return t.frame(5, false); }, true},
        {"not cleared again", [](FrameRecord &t) { return t.frame(5, false); }, true},
    };
    for (const Step &step : steps)
        EXPECT_EQ(step.run(*this), step.drawn) << step.what;
}

TEST_F(FrameRecord, TargetsKeepTheirPictureAcrossRepeatedFrames)
{
    for (int i = 0; i < 4; ++i)
        frame(4);
    // Half-white over black, drawn once: not deepened by the repeats.
    EXPECT_NEAR(targetRedAt(6, 6), 127, 1);
    EXPECT_EQ(targetRedAt(20, 20), 0);

    // Without a clear every frame adds its translucent square again.
    frame(4, false);
    frame(4, false);
    EXPECT_NEAR(targetRedAt(6, 6), 223, 2);
}

TEST_F(FrameRecord, DrawingWithoutEndingFramesStaysBounded)
{
    // Far more than one frame's record holds: carried out on the way.
    BeginTextureMode(target);
    ClearBackground(BLACK);
    for (int i = 0; i < 300000; ++i)
        DrawRectangle(i % 32, 0, 1, 1, RED);
    EndTextureMode();
    EXPECT_EQ(targetRedAt(31, 0), 230);
}

}  // namespace
