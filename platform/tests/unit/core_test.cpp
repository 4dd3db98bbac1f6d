// Window-less behaviour of the layer: input through automation events, the
// log, the value helpers, the random generator, the camera maths and raymath.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "raylib.h"
#include "raymath.h"

namespace {

void play(unsigned int type, int p0, int p1 = 0)
{
    AutomationEvent event{};
    event.type = type;
    event.params[0] = p0;
    event.params[1] = p1;
    PlayAutomationEvent(event);
}

constexpr unsigned int kKeyUp = 1, kKeyDown = 2, kButtonUp = 5, kButtonDown = 6, kMousePosition = 7;

TEST(AutomationEvents, KeyDownCountsAsPressedUntilReleased)
{
    play(kKeyDown, KEY_Z);
    EXPECT_TRUE(IsKeyDown(KEY_Z));
    EXPECT_TRUE(IsKeyPressed(KEY_Z));
    EXPECT_FALSE(IsKeyDown(KEY_Q));
    play(kKeyUp, KEY_Z);
    EXPECT_FALSE(IsKeyDown(KEY_Z));
    EXPECT_FALSE(IsKeyPressed(KEY_Z));
}

TEST(AutomationEvents, MouseButtonsAndPosition)
{
    play(kMousePosition, 123, 45);
    const Vector2 m = GetMousePosition();
    EXPECT_FLOAT_EQ(m.x, 123.0f);
    EXPECT_FLOAT_EQ(m.y, 45.0f);
    play(kButtonDown, MOUSE_BUTTON_LEFT);
    EXPECT_TRUE(IsMouseButtonDown(MOUSE_BUTTON_LEFT));
    EXPECT_TRUE(IsMouseButtonPressed(MOUSE_BUTTON_LEFT));
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_RIGHT));
    play(kButtonUp, MOUSE_BUTTON_LEFT);
    EXPECT_FALSE(IsMouseButtonDown(MOUSE_BUTTON_LEFT));
}

TEST(AutomationEvents, OutOfRangeCodesAreIgnoredAndAnswerFalse)
{
    play(kKeyDown, 512);
    play(kKeyDown, -1);
    play(kButtonDown, 99);
    play(99, KEY_A);  // unknown event type
    EXPECT_FALSE(IsKeyDown(512));
    EXPECT_FALSE(IsKeyPressed(-1));
    EXPECT_FALSE(IsMouseButtonDown(99));
    EXPECT_FALSE(IsKeyDown(KEY_A));
}

std::atomic<int> logged{0};
void CountLine(int, const char *, va_list) { ++logged; }
void DropLine(int, const char *, va_list) {}

// The audio thread logs while the game's thread sets and clears the callback
// around loading: ThreadSanitizer's run of this test sees any race there.
TEST(Log, TheCallbackMayChangeWhileAnotherThreadLogs)
{
    std::atomic<bool> stop{false};
    std::thread audio([&stop] {
        while (!stop)
            TraceLog(LOG_WARNING, "from the audio thread");
    });
    for (int i = 0; i < 2000 || logged == 0; ++i) {
        SetTraceLogCallback(CountLine);
        SetTraceLogLevel(i % 2 ? LOG_WARNING : LOG_INFO);
        SetTraceLogCallback(DropLine);
    }
    stop = true;
    audio.join();
    SetTraceLogCallback(nullptr);
    EXPECT_GT(logged, 0);
}

TEST(Helpers, ColorAlphaClampsAndTruncates)
{
    EXPECT_EQ(ColorAlpha(RED, 0.5f).a, 127);
    EXPECT_EQ(ColorAlpha(RED, 2.0f).a, 255);
    EXPECT_EQ(ColorAlpha(RED, -1.0f).a, 0);
    const Color c = ColorAlpha(Color{1, 2, 3, 4}, 1.0f);
    EXPECT_EQ(c.r, 1);
    EXPECT_EQ(c.g, 2);
    EXPECT_EQ(c.b, 3);
}

TEST(Helpers, CollisionNeedsRealOverlap)
{
    const Rectangle a{0, 0, 10, 10};
    EXPECT_TRUE(CheckCollisionRecs(a, Rectangle{9, 9, 10, 10}));
    EXPECT_FALSE(CheckCollisionRecs(a, Rectangle{10, 0, 10, 10}));  // touching edge
    EXPECT_FALSE(CheckCollisionRecs(a, Rectangle{0, 10, 10, 10}));
    EXPECT_TRUE(CheckCollisionRecs(a, Rectangle{2, 2, 1, 1}));  // contained
    EXPECT_FALSE(CheckCollisionRecs(a, Rectangle{-5, -5, 5, 20}));
}

TEST(Random, StaysInRangeHitsBothEndsAndSwapsBounds)
{
    SetRandomSeed(1234);
    std::set<int> seen;
    for (int i = 0; i < 2000; ++i) {
        const int v = GetRandomValue(5, -2);
        ASSERT_GE(v, -2);
        ASSERT_LE(v, 5);
        seen.insert(v);
    }
    EXPECT_EQ(seen.size(), 8u);
    EXPECT_EQ(GetRandomValue(7, 7), 7);
    const int wide = GetRandomValue(-2147483647 - 1, 2147483647);
    (void)wide;  // must not overflow (checked by the sanitizer build)
}

TEST(Random, SameSeedSameSequence)
{
    SetRandomSeed(42);
    int first[16];
    for (int &v : first)
        v = GetRandomValue(0, 1000000);
    SetRandomSeed(42);
    for (int v : first)
        EXPECT_EQ(GetRandomValue(0, 1000000), v);
    SetRandomSeed(43);
    int differences = 0;
    for (int v : first)
        differences += GetRandomValue(0, 1000000) != v;
    EXPECT_GT(differences, 8);
}

TEST(Camera, ZoomOneNoRotationIsAShift)
{
    const Camera2D cam{{120, 120}, {300, 200}, 0.0f, 1.0f};
    const Vector2 w = GetScreenToWorld2D({10, 20}, cam);
    EXPECT_FLOAT_EQ(w.x, 10 - 120 + 300);
    EXPECT_FLOAT_EQ(w.y, 20 - 120 + 200);
}

TEST(Camera, ScreenToWorldInvertsWorldToScreen)
{
    const Camera2D cam{{160, 120}, {33, -7}, 30.0f, 2.5f};
    for (Vector2 p : {Vector2{0, 0}, Vector2{100, 50}, Vector2{-40, 300}}) {
        const Vector2 s = GetWorldToScreen2D(p, cam);
        const Vector2 back = GetScreenToWorld2D(s, cam);
        EXPECT_NEAR(back.x, p.x, 1e-3);
        EXPECT_NEAR(back.y, p.y, 1e-3);
    }
    // Rotation is clockwise on a y-down screen: +x in the world turns toward +y.
    const Vector2 s = GetWorldToScreen2D({34, -7}, Camera2D{{0, 0}, {33, -7}, 90.0f, 1.0f});
    EXPECT_NEAR(s.x, 0.0f, 1e-5);
    EXPECT_NEAR(s.y, 1.0f, 1e-5);
}

TEST(Raymath, VectorHelpers)
{
    const Vector2 a{1, 2}, b{4, 6};
    EXPECT_FLOAT_EQ(Vector2Distance(a, b), 5.0f);
    EXPECT_FLOAT_EQ(Vector2Add(a, b).y, 8.0f);
    EXPECT_FLOAT_EQ(Vector2Subtract(b, a).x, 3.0f);
    EXPECT_FLOAT_EQ(Vector2Scale(b, 0.5f).y, 3.0f);
    EXPECT_FLOAT_EQ(Vector2Lerp(a, b, 0.5f).x, 2.5f);
    EXPECT_FLOAT_EQ(Vector2Zero().x + Vector2Zero().y, 0.0f);
}

TEST(NoWindow, DrawingAndTimeAreSafeNoOps)
{
    ASSERT_FALSE(IsWindowReady());
    EXPECT_TRUE(WindowShouldClose());
    BeginDrawing();
    ClearBackground(RED);
    DrawRectangle(0, 0, 10, 10, RED);
    DrawCircle(5, 5, 3, RED);
    EndDrawing();
    EXPECT_EQ(GetTime(), 0.0);
    EXPECT_EQ(LoadRenderTexture(32, 32).id, 0u);
    EXPECT_EQ(LoadShader(nullptr, nullptr).id, 0u);
}

std::vector<std::string> g_logged;

TEST(Log, CallbackTakesWhatPassesTheLevelAndNullPrintsAgain)
{
    SetTraceLogLevel(LOG_WARNING);
    SetTraceLogCallback([](int level, const char *text, va_list args) {
        char line[64];
        std::vsnprintf(line, sizeof line, text, args);
        g_logged.push_back(std::to_string(level) + line);
    });
    testing::internal::CaptureStdout();
    TraceLog(LOG_INFO, "below the level");
    TraceLog(LOG_WARNING, "kept %d %s", 7, "x");
    TraceLog(LOG_ERROR, "also kept");
    SetTraceLogCallback(nullptr);
    TraceLog(LOG_WARNING, "printed %d", 8);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "WARNING: printed 8\n");
    EXPECT_EQ(g_logged, (std::vector<std::string>{"4kept 7 x", "5also kept"}));
    SetTraceLogLevel(LOG_INFO);
}

}  // namespace
