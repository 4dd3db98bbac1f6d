// Filling the OpenGL entry points from the current context and reading its
// version.
#include "backend/gl.h"

namespace rlp::gl {

namespace {

int g_version = 0;

}  // namespace

bool Load()
{
    g_version = 0;
    if (!ResolveEntryPoints()) return false;
    GLint major = 0, minor = 0;
    glGetIntegerv(GL_MAJOR_VERSION, &major);
    glGetIntegerv(GL_MINOR_VERSION, &minor);
    g_version = major * 10 + minor;
    return true;
}

int Version() { return g_version; }

}  // namespace rlp::gl
