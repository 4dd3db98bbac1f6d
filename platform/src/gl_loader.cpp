// Filling the OpenGL entry points from the current context.
#include "gl_loader.h"

#include <GLFW/glfw3.h>

#include "raylib.h"

#ifndef __EMSCRIPTEN__
#define RLP_GL_DEFINE(type, name) type rlp_##name = nullptr;
RLP_GL_FUNCTIONS(RLP_GL_DEFINE)
#undef RLP_GL_DEFINE
#endif

namespace rlp::gl {

namespace {

int g_version = 0;

}  // namespace

bool Load()
{
    bool complete = true;
#ifndef __EMSCRIPTEN__
#define RLP_GL_RESOLVE(type, name)                                                                                     \
    rlp_##name = reinterpret_cast<type>(glfwGetProcAddress(#name));                                                    \
    if (rlp_##name == nullptr && complete) {                                                                           \
        TraceLog(LOG_WARNING, "GL: The driver has no %s", #name);                                                      \
        complete = false;                                                                                              \
    }
    RLP_GL_FUNCTIONS(RLP_GL_RESOLVE)
#undef RLP_GL_RESOLVE
#endif
    g_version = 0;
    if (!complete) return false;
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    g_version = major * 10 + minor;
    return true;
}

int Version() { return g_version; }

}  // namespace rlp::gl
