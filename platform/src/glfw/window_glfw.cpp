// A GLFW desktop window's part in the frame loop (Linux, Windows): an OpenGL 3.3 core
// context, closing when the player asks, and frames paced by EndDrawing.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include "backend/window.h"

namespace rlp::backend {

ContextNeed HintContext()
{
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    return {33, "3.3"};
}

bool PollClose(GLFWwindow *window, double, double &) { return glfwWindowShouldClose(window) != 0; }

bool FramesTimedByHost() { return false; }

void AllowResize(GLFWwindow *window) { glfwSetWindowAttrib(window, GLFW_RESIZABLE, GLFW_TRUE); }

}  // namespace rlp::backend
