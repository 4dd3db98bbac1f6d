// Window states in a real, visible window (run under the e2e harness, whose
// X server has no window manager): borderless mode, focus, and the gamepad
// poll once GLFW is up.
#include <gtest/gtest.h>
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <array>
#include <chrono>

#include "internal.h"
#include "raylib.h"

namespace {

constexpr int kWidth = 320, kHeight = 240;

void frame()
{
    BeginDrawing();
    ClearBackground(BLACK);
    EndDrawing();
}

// Draws frames until the window's focus is `focused`, or five seconds pass:
// the X server answers a focus request when it gets the CPU, which under the
// sanitizers on a busy machine can take many frames.
bool frameUntilFocused(bool focused)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (IsWindowFocused() != focused && std::chrono::steady_clock::now() < deadline)
        frame();
    return IsWindowFocused() == focused;
}

class Windowed : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SetTraceLogLevel(LOG_WARNING);
        // Focus needs a mapped window; an earlier suite may have asked for hidden ones.
        rlp::WindowFlags() &= ~FLAG_WINDOW_HIDDEN;
        InitWindow(kWidth, kHeight, "window modes test");
    }
    static void TearDownTestSuite() { CloseWindow(); }
    void SetUp() override { ASSERT_TRUE(IsWindowReady()) << "no display: run the tests under the e2e harness"; }
};

struct Placement {
    int x, y, width, height;
};

Placement placement()
{
    Placement p{};
    glfwGetWindowPos(rlp::WindowHandle(), &p.x, &p.y);
    glfwGetWindowSize(rlp::WindowHandle(), &p.width, &p.height);
    return p;
}

TEST_F(Windowed, BorderlessCoversTheCurrentMonitorAndTogglesBack)
{
    GLFWwindow *window = rlp::WindowHandle();
    glfwSetWindowPos(window, 40, 30);
    frame();
    const Placement before = placement();
    ASSERT_EQ(before.width, kWidth);
    const int monitor = GetCurrentMonitor();
    const int mw = GetMonitorWidth(monitor), mh = GetMonitorHeight(monitor);
    ASSERT_GT(mw, kWidth);
    ASSERT_GT(mh, kHeight);
    EXPECT_FALSE(IsWindowState(FLAG_BORDERLESS_WINDOWED_MODE));

    ToggleBorderlessWindowed();
    EXPECT_TRUE(IsWindowState(FLAG_BORDERLESS_WINDOWED_MODE));
    EXPECT_EQ(GetScreenWidth(), mw);
    for (int i = 0; i < 3; ++i)
        frame();
    const Placement full = placement();
    int mx = -1, my = -1;
    glfwGetMonitorPos(glfwGetMonitors(&mx)[monitor], &mx, &my);
    EXPECT_EQ(full.x, mx);
    EXPECT_EQ(full.y, my);
    EXPECT_EQ(full.width, mw);
    EXPECT_EQ(full.height, mh);
    EXPECT_EQ(glfwGetWindowAttrib(window, GLFW_DECORATED), GLFW_FALSE);
    EXPECT_EQ(GetScreenWidth(), mw) << "the size callback agrees with the window system";
    EXPECT_EQ(GetScreenHeight(), mh);

    ToggleBorderlessWindowed();
    for (int i = 0; i < 3; ++i)
        frame();
    EXPECT_FALSE(IsWindowState(FLAG_BORDERLESS_WINDOWED_MODE));
    const Placement after = placement();
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
    EXPECT_EQ(after.width, kWidth);
    EXPECT_EQ(after.height, kHeight);
    EXPECT_EQ(glfwGetWindowAttrib(window, GLFW_DECORATED), GLFW_TRUE);
    EXPECT_EQ(GetScreenWidth(), kWidth);
    EXPECT_EQ(GetScreenHeight(), kHeight);
    EXPECT_EQ(GetMonitorWidth(-1), 0);
    EXPECT_EQ(GetMonitorHeight(99), 0);
}

TEST_F(Windowed, FocusFollowsTheWindowSystemAndStatesAreReported)
{
    EXPECT_TRUE(IsWindowFocused()) << "a window counts as focused until told otherwise";
    EXPECT_FALSE(IsWindowMinimized());
    EXPECT_FALSE(IsWindowState(FLAG_WINDOW_MINIMIZED));
    EXPECT_FALSE(IsWindowState(FLAG_WINDOW_RESIZABLE));
    SetWindowState(FLAG_WINDOW_RESIZABLE);
    EXPECT_TRUE(IsWindowState(FLAG_WINDOW_RESIZABLE));

    // A second window taking the input focus unfocuses ours, and back.
    glfwDefaultWindowHints();
    glfwWindowHint(GLFW_CLIENT_API, GLFW_NO_API);
    GLFWwindow *other = glfwCreateWindow(50, 50, "other", nullptr, nullptr);
    ASSERT_NE(other, nullptr);
    glfwFocusWindow(other);
    EXPECT_TRUE(frameUntilFocused(false));
    EXPECT_TRUE(IsWindowState(FLAG_WINDOW_UNFOCUSED));
    glfwFocusWindow(rlp::WindowHandle());
    EXPECT_TRUE(frameUntilFocused(true));
    EXPECT_FALSE(IsWindowState(FLAG_WINDOW_UNFOCUSED));
    glfwDestroyWindow(other);
}

TEST_F(Windowed, PollDropsPadsGlfwNoLongerReportsButKeepsInjectedOnes)
{
    ASSERT_FALSE(glfwJoystickPresent(GLFW_JOYSTICK_2)) << "the test display has no joysticks";
    const std::array<unsigned char, 15> buttons{1};
    const std::array<float, 6> axes{0, 0, 0, 0, -1, -1};
    rlp::GamepadApplyGlfwState(1, buttons.data(), axes.data());
    AutomationEvent connect{};
    connect.type = 9;
    connect.params[0] = 2;
    PlayAutomationEvent(connect);
    ASSERT_TRUE(IsGamepadAvailable(1));
    frame();
    EXPECT_FALSE(IsGamepadAvailable(1));
    EXPECT_FALSE(IsGamepadButtonDown(1, GAMEPAD_BUTTON_RIGHT_FACE_DOWN));
    EXPECT_TRUE(IsGamepadAvailable(2));

    const char *mapping = "030000005e0400008e02000010010000,Test Pad,a:b0,b:b1,x:b2,y:b3,back:b6,guide:b8,"
                          "start:b7,leftstick:b9,rightstick:b10,leftshoulder:b4,rightshoulder:b5,dpup:h0.1,"
                          "dpdown:h0.4,dpleft:h0.8,dpright:h0.2,leftx:a0,lefty:a1,rightx:a3,righty:a4,"
                          "lefttrigger:a2,righttrigger:a5,platform:Linux,";
    EXPECT_EQ(SetGamepadMappings(mapping), 1);
}

}  // namespace
