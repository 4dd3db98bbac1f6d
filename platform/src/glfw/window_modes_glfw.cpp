// Window states (focus, minimised, borderless) and the monitors, on GLFW.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "backend/window.h"
#include "internal.h"

namespace {

// Where and how the window was before it went borderless, to go back to.
struct WindowedPlacement {
    int x = 0, y = 0, width = 0, height = 0;
    bool decorated = true;
};

WindowedPlacement g_restore;

void setFlag(unsigned int flag, bool on)
{
    unsigned int &flags = rlp::WindowFlags();
    flags = on ? (flags | flag) : (flags & ~flag);
}

// raylib starts out focused and learns otherwise only from the window
// system, so a window that never got focus (no window manager) counts as
// focused.
void onFocus(GLFWwindow *, int focused) { setFlag(FLAG_WINDOW_UNFOCUSED, focused == GLFW_FALSE); }

void onIconify(GLFWwindow *, int iconified) { setFlag(FLAG_WINDOW_MINIMIZED, iconified == GLFW_TRUE); }

GLFWmonitor *monitorAt(int index)
{
    if (!rlp::GlfwReady()) return nullptr;
    int count = 0;
    GLFWmonitor **monitors = glfwGetMonitors(&count);
    if (monitors == nullptr || index < 0 || index >= count) return nullptr;
    return monitors[index];
}

const GLFWvidmode *modeOf(int monitor)
{
    GLFWmonitor *m = monitorAt(monitor);
    const GLFWvidmode *mode = m != nullptr ? glfwGetVideoMode(m) : nullptr;
    if (mode == nullptr) TraceLog(LOG_WARNING, "GLFW: Failed to find selected monitor");
    return mode;
}

}  // namespace

namespace rlp {

void WindowModesAttach(GLFWwindow *window)
{
    glfwSetWindowFocusCallback(window, onFocus);
    glfwSetWindowIconifyCallback(window, onIconify);
    setFlag(FLAG_WINDOW_UNFOCUSED | FLAG_WINDOW_MINIMIZED | FLAG_BORDERLESS_WINDOWED_MODE, false);
    g_restore = WindowedPlacement{};
}

}  // namespace rlp

extern "C" {

bool IsWindowState(unsigned int flag) { return (rlp::WindowFlags() & flag) != 0; }

bool IsWindowFocused(void) { return (rlp::WindowFlags() & FLAG_WINDOW_UNFOCUSED) == 0; }

bool IsWindowMinimized(void) { return (rlp::WindowFlags() & FLAG_WINDOW_MINIMIZED) != 0; }

// The monitor holding the window's centre; without a window, or when the
// centre is off every monitor, the first one.
int GetCurrentMonitor(void)
{
    GLFWwindow *window = rlp::WindowHandle();
    if (window == nullptr) return 0;
    int count = 0;
    GLFWmonitor **monitors = glfwGetMonitors(&count);
    int x = 0, y = 0, w = 0, h = 0;
    glfwGetWindowPos(window, &x, &y);
    glfwGetWindowSize(window, &w, &h);
    const int cx = x + w / 2, cy = y + h / 2;
    for (int i = 0; i < count; ++i) {
        int mx = 0, my = 0;
        glfwGetMonitorPos(monitors[i], &mx, &my);
        const GLFWvidmode *mode = glfwGetVideoMode(monitors[i]);
        if (mode != nullptr && cx >= mx && cx < mx + mode->width && cy >= my && cy < my + mode->height) return i;
    }
    return 0;
}

int GetMonitorWidth(int monitor)
{
    const GLFWvidmode *mode = modeOf(monitor);
    return mode != nullptr ? mode->width : 0;
}

int GetMonitorHeight(int monitor)
{
    const GLFWvidmode *mode = modeOf(monitor);
    return mode != nullptr ? mode->height : 0;
}

void ToggleBorderlessWindowed(void)
{
    GLFWwindow *window = rlp::WindowHandle();
    if (window == nullptr) return;
    if (IsWindowState(FLAG_BORDERLESS_WINDOWED_MODE)) {
        glfwSetWindowAttrib(window, GLFW_DECORATED, g_restore.decorated ? GLFW_TRUE : GLFW_FALSE);
        glfwSetWindowMonitor(window, nullptr, g_restore.x, g_restore.y, g_restore.width, g_restore.height,
                             GLFW_DONT_CARE);
        rlp::WindowSetScreenSize(g_restore.width, g_restore.height);
        setFlag(FLAG_BORDERLESS_WINDOWED_MODE, false);
        return;
    }
    const int index = GetCurrentMonitor();
    GLFWmonitor *monitor = monitorAt(index);
    const GLFWvidmode *mode = monitor != nullptr ? glfwGetVideoMode(monitor) : nullptr;
    if (mode == nullptr) {
        TraceLog(LOG_WARNING, "GLFW: Failed to find selected monitor");
        return;
    }
    glfwGetWindowPos(window, &g_restore.x, &g_restore.y);
    glfwGetWindowSize(window, &g_restore.width, &g_restore.height);
    g_restore.decorated = glfwGetWindowAttrib(window, GLFW_DECORATED) == GLFW_TRUE;
    int mx = 0, my = 0;
    glfwGetMonitorPos(monitor, &mx, &my);
    glfwSetWindowAttrib(window, GLFW_DECORATED, GLFW_FALSE);
    glfwSetWindowMonitor(window, nullptr, mx, my, mode->width, mode->height, GLFW_DONT_CARE);
    rlp::WindowSetScreenSize(mode->width, mode->height);
    setFlag(FLAG_BORDERLESS_WINDOWED_MODE, true);
}

}  // extern "C"
