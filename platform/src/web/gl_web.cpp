// WebGL 2 in the page: entry points linked directly, shaders given the GLSL
// ES 3.00 header, vertices uploaded with glBufferSubData and textures read
// back through a framebuffer.
#include <string_view>

#include "backend/gl.h"

namespace rlp::gl {

bool ResolveEntryPoints() { return true; }

// WebGL 2 takes GLSL ES 3.00, which differs from 3.30 in the version line and
// a fragment shader's need of a default precision; raylib's web build makes
// the same change to its own shaders.
const char *ShaderSource(const char *source, std::string &storage)
{
    constexpr std::string_view kDesktop = "#version 330";
    storage = source;
    if (storage.compare(0, kDesktop.size(), kDesktop) == 0)
        storage.replace(0, kDesktop.size(), "#version 300 es\nprecision highp float;");
    return storage.c_str();
}

// WebGL cannot map buffers; a sub-data upload is its cheapest write.
void WriteVertices(GLintptr offset, GLsizeiptr bytes, const void *vertices)
{
    glBufferSubData(GL_ARRAY_BUFFER, offset, bytes, vertices);
}

// WebGL has no glGetTexImage: the texture is read through a framebuffer of
// its own, as OpenGL ES does.
void ReadTexture(GLuint texture, int width, int height, void *rgba)
{
    GLuint reader = 0;
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
    glGenFramebuffers(1, &reader);
    glBindFramebuffer(GL_FRAMEBUFFER, reader);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    glBindFramebuffer(GL_FRAMEBUFFER, GLuint(bound));
    glDeleteFramebuffers(1, &reader);
}

}  // namespace rlp::gl
