// What the shared window, frame loop and gamepad code asks of the system it
// runs on: the GL context to request, when the window closes and who paces
// its frames, and where the pads come from. Each backend folder defines these
// (the desktop's through GLFW, the page's through emscripten), together with
// raylib's window-state and monitor calls (IsWindowState, GetCurrentMonitor,
// ToggleBorderlessWindowed, ...).
#pragma once

struct GLFWwindow;

namespace rlp {

// Installs the focus and minimise callbacks and forgets any saved borderless
// state; called once the window exists.
void WindowModesAttach(GLFWwindow *window);

}  // namespace rlp

namespace rlp::backend {

// The OpenGL the layer's drawing needs on this system.
struct ContextNeed {
    int version;       // major * 10 + minor, as rlp::gl::Version answers
    const char *name;  // for the warning when the driver has less
};

// Sets GLFW's window hints for the context; called before the window opens.
ContextNeed HintContext();

// Whether the window is to close. The page cannot be closed and instead
// waits here for the browser's next frame, answering in `frameTime` the
// seconds since the last one (see FramesTimedByHost); the desktop leaves
// `frameTime` alone.
bool PollClose(GLFWwindow *window, double targetFrameTime, double &frameTime);

// True when PollClose times and paces the frames, so EndDrawing neither
// measures the frame nor waits out the target frame time.
bool FramesTimedByHost();

// Lets the player resize the open window, where the window is the system's
// to size (a page's canvas is sized by the page).
void AllowResize(GLFWwindow *window);

// Reads the connected pads into the shared states (GamepadApplyGlfwState,
// GamepadLost for each pad not there); called once a frame after the events.
void PollGamepads();

// Adds SDL-style gamepad mappings, answering as glfwUpdateGamepadMappings
// does; 0 where the system maps the pads itself.
int UpdateGamepadMappings(const char *mappings);

}  // namespace rlp::backend
