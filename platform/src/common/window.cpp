// The window, its OpenGL context, frame timing and pacing, on GLFW.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <thread>

#include "backend/gl.h"
#include "backend/window.h"
#include "frame_record.h"
#include "internal.h"

namespace {

// Everything the layer knows about the one window and the frame clock.
struct WindowState {
    GLFWwindow *handle = nullptr;
    bool ready = false;
    unsigned int flags = 0;
    int width = 0;
    int height = 0;
    int exitKey = KEY_ESCAPE;
    double targetFrameTime = 0.0;
    double previous = 0.0;
    double update = 0.0;
    double draw = 0.0;
    double frame = 0.0;
    std::array<float, 32> frameHistory{};  // recent frame times, for GetFPS
    unsigned int frameIndex = 0;
};

WindowState g_window;

// GLFW is initialised once and kept for the life of the process: terminating
// it would unload the GL driver, stranding the driver's own allocations (leak
// reports under the sanitizers), and a window opened after it could fail to
// reach the display.
bool g_glfwInitialized = false;

void onError(int code, const char *description)
{
    TraceLog(LOG_WARNING, "GLFW: Error: %i Description: %s", code, description);
}

void onWindowSize(GLFWwindow *, int width, int height)
{
    rlp::FrameInvalidate();
    g_window.width = width;
    g_window.height = height;
}

void onKey(GLFWwindow *window, int key, int, int action, int)
{
    if (action == GLFW_PRESS || action == GLFW_RELEASE) rlp::InputSetKey(key, action == GLFW_PRESS);
    if (key == g_window.exitKey && action == GLFW_PRESS) glfwSetWindowShouldClose(window, GLFW_TRUE);
}

void onChar(GLFWwindow *, unsigned int codepoint) { rlp::InputAddChar(codepoint); }

void onMouseButton(GLFWwindow *, int button, int action, int)
{
    rlp::InputSetMouseButton(button, action == GLFW_PRESS);
}

void onCursor(GLFWwindow *, double x, double y) { rlp::InputSetMousePosition(float(x), float(y)); }

// Sleeps most of the interval and spins the rest, so pacing is precise
// without burning a core. The spin covers only what a sleep may overshoot
// (a quarter of a millisecond here), not a share of the wait: a share, such
// as the last 5% of a 16 ms frame, would burn most of a millisecond a frame.
constexpr double kSpinSeconds = 0.00025;

void waitSeconds(double seconds)
{
    if (seconds <= 0.0) return;
    const double start = glfwGetTime();
    if (seconds > kSpinSeconds) std::this_thread::sleep_for(std::chrono::duration<double>(seconds - kSpinSeconds));
    while (glfwGetTime() - start < seconds) {
    }
}

bool openWindow(int width, int height, const char *title)
{
    glfwSetErrorCallback(onError);
    if (!g_glfwInitialized && !glfwInit()) {
        TraceLog(LOG_WARNING, "GLFW: Failed to initialize GLFW (is a display available?)");
        return false;
    }
    g_glfwInitialized = true;
    rlp::GamepadOnGlfwInit();
    glfwDefaultWindowHints();
    const rlp::backend::ContextNeed gl = rlp::backend::HintContext();
    // 2D drawing never tests depth: a window without a depth buffer saves
    // clearing one at every frame.
    glfwWindowHint(GLFW_DEPTH_BITS, 0);
    glfwWindowHint(GLFW_STENCIL_BITS, 0);
    glfwWindowHint(GLFW_RESIZABLE, (g_window.flags & FLAG_WINDOW_RESIZABLE) ? GLFW_TRUE : GLFW_FALSE);
    glfwWindowHint(GLFW_VISIBLE, (g_window.flags & FLAG_WINDOW_HIDDEN) ? GLFW_FALSE : GLFW_TRUE);
    g_window.handle = glfwCreateWindow(width, height, title ? title : "", nullptr, nullptr);
    if (g_window.handle == nullptr) {
        TraceLog(LOG_WARNING, "GLFW: Failed to initialize Window");
        return false;
    }
    glfwMakeContextCurrent(g_window.handle);
    glfwSwapInterval((g_window.flags & FLAG_VSYNC_HINT) ? 1 : 0);
    if (!rlp::gl::Load() || rlp::gl::Version() < gl.version) {
        TraceLog(LOG_WARNING, "GL: OpenGL %s is required, found %i.%i", gl.name, rlp::gl::Version() / 10,
                 rlp::gl::Version() % 10);
        glfwDestroyWindow(g_window.handle);
        g_window.handle = nullptr;
        return false;
    }
    glfwSetWindowSizeCallback(g_window.handle, onWindowSize);
    glfwSetKeyCallback(g_window.handle, onKey);
    glfwSetCharCallback(g_window.handle, onChar);
    glfwSetMouseButtonCallback(g_window.handle, onMouseButton);
    glfwSetCursorPosCallback(g_window.handle, onCursor);
    // Shown again after being covered, or redecorated: the picture must be
    // drawn anew even when the game's frame has not changed.
    glfwSetWindowRefreshCallback(g_window.handle, [](GLFWwindow *) { rlp::FrameInvalidate(); });
    rlp::WindowModesAttach(g_window.handle);
    return true;
}

}  // namespace

namespace rlp {
bool GlReady() { return g_window.ready; }
bool GlfwReady() { return g_glfwInitialized; }
GLFWwindow *WindowHandle() { return g_window.ready ? g_window.handle : nullptr; }
unsigned int &WindowFlags() { return g_window.flags; }
void WindowSetScreenSize(int width, int height)
{
    rlp::FrameInvalidate();
    g_window.width = width;
    g_window.height = height;
}
}  // namespace rlp

extern "C" {

void SetConfigFlags(unsigned int flags) { g_window.flags |= flags; }

void InitWindow(int width, int height, const char *title)
{
    if (g_window.ready) {
        TraceLog(LOG_WARNING, "WINDOW: Window already initialized");
        return;
    }
    if (!openWindow(width, height, title)) return;
    glfwGetWindowSize(g_window.handle, &g_window.width, &g_window.height);
    g_window.ready = true;
    rlp::InputReset();
    double mx = 0, my = 0;
    glfwGetCursorPos(g_window.handle, &mx, &my);
    rlp::InputSetMousePosition(float(mx), float(my));

    rlp::FrameReset();
    rlp::BatchInit();
    rlp::ShadersInit();
    rlp::InitDefaultFont();
    rlp::BatchSetTarget(0, g_window.width, g_window.height);

    glfwSetTime(0.0);
    g_window.previous = 0.0;
    SetRandomSeed(unsigned(std::time(nullptr)));
    TraceLog(LOG_INFO, "DISPLAY: Window opened: %i x %i", g_window.width, g_window.height);
}

void CloseWindow(void)
{
    if (!g_window.ready) return;
    rlp::UnloadDefaultFont();
    rlp::ShadersShutdown();
    rlp::FrameReset();
    rlp::BatchShutdown();
    glfwDestroyWindow(g_window.handle);
    // Only the configuration outlives the window, not its momentary states.
    const unsigned int flags =
        g_window.flags & ~(FLAG_WINDOW_UNFOCUSED | FLAG_WINDOW_MINIMIZED | FLAG_BORDERLESS_WINDOWED_MODE);
    g_window = WindowState{};
    g_window.flags = flags;
    rlp::InputReset();
    TraceLog(LOG_INFO, "Window closed successfully");
}

bool IsWindowReady(void) { return g_window.ready; }

bool WindowShouldClose(void)
{
    if (!g_window.ready) return true;
    return rlp::backend::PollClose(g_window.handle, g_window.targetFrameTime, g_window.frame);
}

void SetWindowState(unsigned int flags)
{
    g_window.flags |= flags;
    if (g_window.ready && (flags & FLAG_WINDOW_RESIZABLE)) rlp::backend::AllowResize(g_window.handle);
}

// Like raylib, the new size counts at once; the window system catches up.
void SetWindowSize(int width, int height)
{
    if (!g_window.ready) return;
    rlp::WindowSetScreenSize(width, height);
    glfwSetWindowSize(g_window.handle, width, height);
}

void SetExitKey(int key) { g_window.exitKey = key; }

int GetScreenWidth(void) { return g_window.width; }
int GetScreenHeight(void) { return g_window.height; }

void SetTargetFPS(int fps) { g_window.targetFrameTime = fps < 1 ? 0.0 : 1.0 / double(fps); }

float GetFrameTime(void) { return float(g_window.frame); }

double GetTime(void) { return g_window.ready ? glfwGetTime() : 0.0; }

int GetFPS(void)
{
    // Average over the recent frames that fit in about half a second.
    double total = 0.0;
    int count = 0;
    for (unsigned int i = 0; i < g_window.frameHistory.size() && i < g_window.frameIndex; ++i) {
        const unsigned int slot = (g_window.frameIndex - 1 - i) % g_window.frameHistory.size();
        total += g_window.frameHistory[slot];
        ++count;
        if (total >= 0.5) break;
    }
    if (count == 0 || total <= 0.0) return 0;
    return int(double(count) / total + 0.5);
}

void BeginDrawing(void)
{
    const double now = GetTime();
    g_window.update = now - g_window.previous;
    g_window.previous = now;
    rlp::BatchSetTarget(0, g_window.width, g_window.height);
    rlp::BatchSetCamera(nullptr);
}

void EndDrawing(void)
{
    if (g_window.ready) {
        rlp::BatchFlush();
        // A frame that repeats the one on screen is neither drawn nor swapped.
        if (rlp::FrameFinish()) glfwSwapBuffers(g_window.handle);
    }
    double now = GetTime();
    g_window.draw = now - g_window.previous;
    g_window.previous = now;
    // The page's frame time and pacing come from WindowShouldClose instead.
    const bool timedByHost = rlp::backend::FramesTimedByHost();
    if (!timedByHost) g_window.frame = g_window.update + g_window.draw;
    if (g_window.ready && g_window.frame < g_window.targetFrameTime && !timedByHost) {
        waitSeconds(g_window.targetFrameTime - g_window.frame);
        now = GetTime();
        g_window.frame += now - g_window.previous;
        g_window.previous = now;
    }
    g_window.frameHistory[g_window.frameIndex % g_window.frameHistory.size()] = float(g_window.frame);
    ++g_window.frameIndex;

    rlp::InputBeginPoll();
    if (g_window.ready) {
        glfwPollEvents();
        rlp::backend::PollGamepads();
    }
}

}  // extern "C"
