// The page's part in the frame loop: a WebGL 2 context from emscripten's
// GLFW, a loop that never closes, and frames timed by the browser's
// animation frames.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "backend/window.h"
#include "web.h"

namespace rlp::backend {

ContextNeed HintContext()
{
    glfwWindowHint(GLFW_CLIENT_API, GLFW_OPENGL_ES_API);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
    return {30, "ES 3.0 (WebGL 2)"};
}

// The page cannot be closed from inside. The loop yields to the browser
// until its next frame is due at the target rate (60 a second without one,
// as raylib's web build holds), having mixed the sound to play until then;
// the frame time is the time between the animation frames taken.
bool PollClose(GLFWwindow *, double targetFrameTime, double &frameTime)
{
    rlp::audio::PumpMixer();
    const double period = targetFrameTime > 0.0 ? targetFrameTime : 1.0 / 60.0;
    frameTime = rlp_web_next_frame(period * 1000.0) / 1000.0;
    if (frameTime <= 0.0) frameTime = period;
    return false;
}

bool FramesTimedByHost() { return true; }

// A page's canvas is sized by the page.
void AllowResize(GLFWwindow *) {}

}  // namespace rlp::backend
