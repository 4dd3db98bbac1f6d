// Drawing in a hidden window: pixels read back from a render texture, the
// 2D camera, shaders, batching, bad files and the per-frame input poll.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "internal.h"
#include "raylib.h"

namespace {

const std::string kData = RLP_TEST_DATA;

// A hidden 320x240 window with a 64x64 render target to draw into.
class Render : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetTraceLogLevel(LOG_WARNING);
        SetConfigFlags(FLAG_WINDOW_HIDDEN);
        InitWindow(320, 240, "render test");
    }
    static void TearDownTestSuite() { CloseWindow(); }

    void SetUp() override
    {
        ASSERT_TRUE(IsWindowReady()) << "no display: run the tests under the e2e harness";
        target = LoadRenderTexture(64, 64);
        ASSERT_NE(target.id, 0u);
        BeginTextureMode(target);
        ClearBackground(BLACK);
    }
    void TearDown() override { UnloadRenderTexture(target); }

    // Ends drawing and reads the picture; y counts from the top.
    void finish()
    {
        EndTextureMode();
        image = LoadImageFromTexture(target.texture);
    }
    Color at(int x, int y) const { return GetImageColor(image, x, image.height - 1 - y); }

    RenderTexture2D target{};
    Image image{};

public:
    ~Render() override { UnloadImage(image); }
};

void expectColor(Color got, Color want)
{
    EXPECT_EQ(got.r, want.r);
    EXPECT_EQ(got.g, want.g);
    EXPECT_EQ(got.b, want.b);
}

TEST_F(Render, RectangleCoversExactlyItsPixels)
{
    DrawRectangle(10, 20, 5, 3, RED);
    finish();
    expectColor(at(10, 20), RED);
    expectColor(at(14, 22), RED);
    expectColor(at(15, 22), BLACK);
    expectColor(at(14, 23), BLACK);
    expectColor(at(9, 20), BLACK);
}

TEST_F(Render, RectangleProRotatesClockwiseAboutItsOrigin)
{
    // A 20x4 bar pivoting on its left end, turned 90 degrees, points down.
    DrawRectanglePro({32, 10, 20, 4}, {0, 2}, 90.0f, GREEN);
    finish();
    expectColor(at(32, 25), GREEN);
    expectColor(at(40, 10), BLACK);
}

TEST_F(Render, CircleIsFilledAndRound)
{
    DrawCircle(32, 32, 10, BLUE);
    finish();
    expectColor(at(32, 32), BLUE);
    expectColor(at(32, 24), BLUE);
    expectColor(at(24, 24), BLACK);  // outside the circle, inside its box
}

TEST_F(Render, TextureKeepsOrientationFlipsAndTints)
{
    Texture2D quadrants = LoadTexture((kData + "/demo_quadrants.png").c_str());
    ASSERT_TRUE(IsTextureValid(quadrants));
    EXPECT_EQ(quadrants.width, 4);
    DrawTexturePro(quadrants, {0, 0, 4, 4}, {0, 0, 16, 16}, {0, 0}, 0, WHITE);
    DrawTexturePro(quadrants, {0, 0, -4, 4}, {16, 0, 16, 16}, {0, 0}, 0, WHITE);  // mirrored
    DrawTexturePro(quadrants, {0, 0, 4, 4}, {32, 0, 16, 16}, {0, 0}, 0, Color{255, 255, 255, 255});
    DrawTexturePro(quadrants, {2, 2, 2, 2}, {48, 0, 8, 8}, {0, 0}, 0, Color{0, 255, 0, 255});  // white, tinted
    finish();
    expectColor(at(2, 2), Color{255, 0, 0, 255});
    expectColor(at(13, 2), Color{0, 255, 0, 255});
    expectColor(at(2, 13), Color{0, 0, 255, 255});
    expectColor(at(18, 2), Color{0, 255, 0, 255});
    expectColor(at(29, 2), Color{255, 0, 0, 255});
    expectColor(at(50, 4), Color{0, 255, 0, 255});
    UnloadTexture(quadrants);
}

TEST_F(Render, RenderTextureDrawnWithNegativeHeightIsUpright)
{
    RenderTexture2D inner = LoadRenderTexture(8, 8);
    BeginTextureMode(inner);
    ClearBackground(BLACK);
    DrawRectangle(0, 0, 8, 2, RED);  // a red band along the top
    EndTextureMode();
    BeginTextureMode(target);
    DrawTexturePro(inner.texture, {0, 0, 8, -8}, {0, 0, 8, 8}, {0, 0}, 0, WHITE);
    finish();
    expectColor(at(4, 0), RED);
    expectColor(at(4, 7), BLACK);
    UnloadRenderTexture(inner);
}

TEST_F(Render, CameraAppliesTargetOffsetAndZoom)
{
    BeginMode2D(Camera2D{{32, 32}, {100, 100}, 0.0f, 2.0f});
    DrawRectangle(100, 100, 4, 4, RED);  // world (100,100) lands at (32,32), 8x8 on screen
    EndMode2D();
    DrawRectangle(0, 0, 2, 2, GREEN);  // after EndMode2D, back to screen space
    finish();
    expectColor(at(32, 32), RED);
    expectColor(at(39, 39), RED);
    expectColor(at(40, 40), BLACK);
    expectColor(at(0, 0), GREEN);
}

TEST_F(Render, FragmentShaderAppliesToShapesAndUniformsWork)
{
    Shader invert = LoadShader(nullptr, (kData + "/demo_invert.fs").c_str());
    ASSERT_TRUE(IsShaderValid(invert));
    EXPECT_NE(invert.id, rlp::DefaultShaderId());
    const int loc = GetShaderLocation(invert, "amount");
    EXPECT_GE(loc, 0);
    EXPECT_EQ(GetShaderLocation(invert, "noSuchUniform"), -1);
    const float one = 1.0f;
    SetShaderValue(invert, loc, &one, SHADER_UNIFORM_FLOAT);
    BeginShaderMode(invert);
    DrawRectangle(0, 0, 8, 8, RED);
    EndShaderMode();
    DrawRectangle(8, 0, 8, 8, RED);
    finish();
    expectColor(at(2, 2), Color{25, 214, 200, 255});  // 255 - RED
    expectColor(at(10, 2), RED);
    UnloadShader(invert);
}

// Captures what the layer prints while a call runs.
template <typename F> std::string captured(F call)
{
    testing::internal::CaptureStdout();
    call();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

int lines(const std::string &text)
{
    int n = 0;
    for (char c : text)
        n += c == '\n';
    return n;
}

std::string writeFile(const std::string &name, const std::string &bytes)
{
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

TEST_F(Render, BadFilesGiveOneWarningAndAnEmptyOrDefaultHandle)
{
    std::ifstream source(kData + "/demo_quadrants.png", std::ios::binary);
    const std::string png{std::istreambuf_iterator<char>(source), std::istreambuf_iterator<char>()};
    const std::string paths[] = {
        testing::TempDir() + "missing.png",
        writeFile("empty.png", ""),
        writeFile("truncated.png", std::string(png.data(), 40)),
        writeFile("random.png", "\x13\x99\xfe garbage \x01\x02 not an image at all"),
        // Taken by stb_image as a run-length TGA of 18505 by 21060 pixels.
        writeFile("huge_tga.png", std::string("%\0\x02\0\0\0\x01\0\0\0\0\x0dIHDR\x0f"
                                              "c`\x80\x02"
                                              "0!\xbd\xff\xbe\xc8\x0f"
                                              "c`\x80\x02"
                                              "0!\xbd\xff\xbe\xc8",
                                              38)),
        // A PNG whose chunk headers claim gigabytes the file does not hold.
        writeFile("huge_chunk.png",
                  std::string(
                      "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x08\x00\x00\x00\x08"
                      "\x08\x06\x00\x00\x00\xc4\x0f\xbe\x8b\x00\x00\x00\x54\x49\x44\x41\x54\x78\xda\x1c\xb6\x80\x02\x31"
                      "\x21\xb9\xff\xc8\x98\x01\x1d\x80\x04\xbb\xfc\x85\x00\x00\x00\x08\x08\x06\x00\x00\x00\xc4\x0f\xbe"
                      "\x8b\x00\x00\x00\x54\x49\x44\x41\x54\x78\xda\x9d\x53\x21\x02\x80\x32\x47\xff\xff\x3a\x0f\xbe\x8b"
                      "\xc4\xad\x00\xc4\x41\x97\x84\x2b\xc0\xe6\x45\x64\x45\x00\x00\x00\x00\x00\x00\x00\xb7\xcb\x00\x00"
                      "\x00\x09\x00\x49\x45\x4e\x44\xae\x42\x60\x82\xca\x4c\x49\x44\x41\x54\x00\x00\x00\x49\x45\x4e\x44"
                      "\xae\x42\x60\x82",
                      148)),
    };
    for (const std::string &path : paths) {
        Texture2D texture{};
        const std::string out = captured([&] { texture = LoadTexture(path.c_str()); });
        EXPECT_EQ(texture.id, 0u) << path;
        EXPECT_FALSE(IsTextureValid(texture));
        EXPECT_EQ(lines(out), 1) << out;
        EXPECT_EQ(out.rfind("WARNING: ", 0), 0u) << out;
        DrawTexturePro(texture, {0, 0, 4, 4}, {0, 0, 4, 4}, {0, 0}, 0, WHITE);  // draws nothing
    }
    // A missing shader gives one warning; one that does not compile gives
    // raylib's several: the failure, the driver's log and the fall-back.
    const auto compileFailed = [](const std::string &out) {
        const std::string fallBack = "WARNING: SHADER: Failed to load custom shader code, using default shader\n";
        return out.rfind("WARNING: SHADER: [ID ", 0) == 0 &&
               out.find("] Failed to compile fragment shader code\nWARNING: SHADER: [ID ") != std::string::npos &&
               out.find("] Compile error: ") != std::string::npos && out.size() > fallBack.size() &&
               out.compare(out.size() - fallBack.size(), fallBack.size(), fallBack) == 0;
    };
    for (const std::string &path :
         {paths[0], writeFile("broken.fs", "#version 330\nvoid main() { oops }\n"), paths[3]}) {
        Shader shader{};
        const std::string out = captured([&] { shader = LoadShader(nullptr, path.c_str()); });
        EXPECT_EQ(shader.id, rlp::DefaultShaderId()) << path;  // drawing goes on unchanged
        EXPECT_TRUE(path == paths[0] ? lines(out) == 1 : compileFailed(out)) << out;
        BeginShaderMode(shader);
        DrawRectangle(20, 20, 2, 2, RED);
        EndShaderMode();
    }
    finish();
    expectColor(at(0, 0), BLACK);
    expectColor(at(20, 20), RED);
}

TEST_F(Render, ThousandsOfShapesWithOneTextureTakeOneDrawCall)
{
    rlp::BatchFlush();
    const unsigned int before = rlp::DrawCallCount();
    for (int i = 0; i < 1000; ++i)
        DrawRectangle(i % 64, i % 60, 2, 2, RED);
    for (int i = 0; i < 100; ++i)
        DrawCircle(i % 64, 5, 3, GREEN);
    rlp::BatchFlush();
    EXPECT_EQ(rlp::DrawCallCount() - before, 1u);
    finish();
}

TEST_F(Render, KeyPressedLastsOneFrameAndFrameTimeFollowsTheTarget)
{
    EndTextureMode();
    SetTargetFPS(60);
    AutomationEvent down{0, 2, {KEY_W, 0, 0, 0}};
    PlayAutomationEvent(down);
    EXPECT_TRUE(IsKeyPressed(KEY_W));
    BeginDrawing();
    EndDrawing();  // the poll: W was down before and still is
    EXPECT_TRUE(IsKeyDown(KEY_W));
    EXPECT_FALSE(IsKeyPressed(KEY_W));
    BeginDrawing();
    EndDrawing();
    // Pacing waits out the frame: never shorter than the target.
    EXPECT_GE(GetFrameTime(), 1.0f / 60.0f - 0.001f);
    AutomationEvent up{0, 1, {KEY_W, 0, 0, 0}};
    PlayAutomationEvent(up);
    EXPECT_FALSE(IsKeyDown(KEY_W));
    SetTargetFPS(0);
    BeginTextureMode(target);
    finish();
}

}  // namespace

// What a game does to keep a picture: read it back, turn it upright, enlarge
// it, write it as PNG; and a texture made from an image, then given new pixels.
TEST_F(Render, ImagesFlipEnlargeExportAndFeedTextures)
{
    DrawRectangle(0, 0, 64, 8, RED);  // a red band along the top
    finish();
    ImageFlipVertical(&image);
    expectColor(GetImageColor(image, 4, 0), RED);
    ImageResizeNN(&image, 128, 128);
    ASSERT_EQ(image.width, 128);
    expectColor(GetImageColor(image, 100, 15), RED);
    expectColor(GetImageColor(image, 100, 16), BLACK);

    const std::string png = writeFile("kept.png", "");
    EXPECT_TRUE(ExportImage(image, png.c_str()));
    Texture2D kept = LoadTexture(png.c_str());
    EXPECT_EQ(kept.width, 128);
    UnloadTexture(kept);
    EXPECT_FALSE(ExportImage(image, (png + ".bmp").c_str()));

    Texture2D fed = LoadTextureFromImage(image);
    ASSERT_TRUE(IsTextureValid(fed));
    std::vector<unsigned char> green(128 * 128 * 4, 0);
    for (std::size_t i = 1; i < green.size(); i += 4)
        green[i] = green[i + 2] = 255;  // green and opaque
    UpdateTexture(fed, green.data());
    BeginTextureMode(target);
    DrawTexturePro(fed, {0, 0, 128, 128}, {0, 0, 64, 64}, {0, 0}, 0, WHITE);
    EndTextureMode();
    UnloadImage(image);
    image = LoadImageFromTexture(target.texture);
    expectColor(at(4, 4), Color{0, 255, 0, 255});
    UnloadTexture(fed);
}
