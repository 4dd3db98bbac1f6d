// Window states in the page: focus and a hidden tab from the browser's
// events, borderless fullscreen through the Fullscreen API, the screen as the
// one monitor.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>
#include <emscripten/html5.h>

#include "backend/window.h"
#include "internal.h"

namespace {

void setFlag(unsigned int flag, bool on)
{
    unsigned int &flags = rlp::WindowFlags();
    flags = on ? (flags | flag) : (flags & ~flag);
}

// A lost focus or a hidden tab pauses the game, as an unfocused window does.
EM_BOOL onFocus(int type, const EmscriptenFocusEvent *, void *)
{
    setFlag(FLAG_WINDOW_UNFOCUSED, type == EMSCRIPTEN_EVENT_BLUR);
    return false;
}

EM_BOOL onVisibility(int, const EmscriptenVisibilityChangeEvent *event, void *)
{
    setFlag(FLAG_WINDOW_MINIMIZED, event->hidden);
    if (event->hidden) setFlag(FLAG_WINDOW_UNFOCUSED, true);
    return false;
}

// The browser leaves fullscreen on its own too (Escape): the flag follows it.
EM_BOOL onFullscreen(int, const EmscriptenFullscreenChangeEvent *event, void *)
{
    setFlag(FLAG_BORDERLESS_WINDOWED_MODE, event->isFullscreen);
    return false;
}

}  // namespace

namespace rlp {

void WindowModesAttach(GLFWwindow *)
{
    setFlag(FLAG_WINDOW_UNFOCUSED | FLAG_WINDOW_MINIMIZED | FLAG_BORDERLESS_WINDOWED_MODE, false);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, false, onFocus);
    emscripten_set_focus_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, false, onFocus);
    emscripten_set_visibilitychange_callback(nullptr, false, onVisibility);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, false, onFullscreen);
}

}  // namespace rlp

extern "C" {

bool IsWindowState(unsigned int flag) { return (rlp::WindowFlags() & flag) != 0; }
bool IsWindowFocused(void) { return (rlp::WindowFlags() & FLAG_WINDOW_UNFOCUSED) == 0; }
bool IsWindowMinimized(void) { return (rlp::WindowFlags() & FLAG_WINDOW_MINIMIZED) != 0; }

int GetCurrentMonitor(void) { return 0; }

int GetMonitorWidth(int monitor)
{
    int width = 0, height = 0;
    if (monitor == 0) emscripten_get_screen_size(&width, &height);
    return width;
}

int GetMonitorHeight(int monitor)
{
    int width = 0, height = 0;
    if (monitor == 0) emscripten_get_screen_size(&width, &height);
    return height;
}

// The canvas keeps its size and is shown whole, letterboxed, on the screen.
// A browser grants fullscreen only in answer to the player's input, so the
// request waits for the next key or click when made outside one.
void ToggleBorderlessWindowed(void)
{
    if (rlp::WindowHandle() == nullptr) return;
    if (IsWindowState(FLAG_BORDERLESS_WINDOWED_MODE)) {
        emscripten_exit_fullscreen();
        setFlag(FLAG_BORDERLESS_WINDOWED_MODE, false);
        return;
    }
    EmscriptenFullscreenStrategy strategy{};
    strategy.scaleMode = EMSCRIPTEN_FULLSCREEN_SCALE_ASPECT;
    strategy.canvasResolutionScaleMode = EMSCRIPTEN_FULLSCREEN_CANVAS_SCALE_NONE;
    strategy.filteringMode = EMSCRIPTEN_FULLSCREEN_FILTERING_NEAREST;
    emscripten_request_fullscreen_strategy("#canvas", true, &strategy);
    setFlag(FLAG_BORDERLESS_WINDOWED_MODE, true);
}

}  // extern "C"
