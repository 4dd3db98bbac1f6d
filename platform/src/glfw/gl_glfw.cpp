// OpenGL 3.3 core on a GLFW desktop (Linux, Windows): the entry points resolved through GLFW,
// shaders compiled as written, vertices written through mapped buffers and
// textures read back directly.
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <cstring>

#include "backend/gl.h"
#include "raylib.h"

#define RLP_GL_DEFINE(type, name) type rlp_##name = nullptr;
RLP_GL_FUNCTIONS(RLP_GL_DEFINE)
#undef RLP_GL_DEFINE

namespace rlp::gl {

bool ResolveEntryPoints()
{
    bool complete = true;
#define RLP_GL_RESOLVE(type, name)                                                                                     \
    rlp_##name = reinterpret_cast<type>(glfwGetProcAddress(#name));                                                    \
    if (rlp_##name == nullptr && complete) {                                                                           \
        TraceLog(LOG_WARNING, "GL: The driver has no %s", #name);                                                      \
        complete = false;                                                                                              \
    }
    RLP_GL_FUNCTIONS(RLP_GL_RESOLVE)
#undef RLP_GL_RESOLVE
    return complete;
}

const char *ShaderSource(const char *source, std::string &) { return source; }

void WriteVertices(GLintptr offset, GLsizeiptr bytes, const void *vertices)
{
    void *target = glMapBufferRange(GL_ARRAY_BUFFER, offset, bytes,
                                    GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT | GL_MAP_INVALIDATE_RANGE_BIT);
    if (target != nullptr) {
        std::memcpy(target, vertices, std::size_t(bytes));
        glUnmapBuffer(GL_ARRAY_BUFFER);
    } else {
        glBufferSubData(GL_ARRAY_BUFFER, offset, bytes, vertices);
    }
}

void ReadTexture(GLuint texture, int, int, void *rgba)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindTexture(GL_TEXTURE_2D, 0);
}

}  // namespace rlp::gl
