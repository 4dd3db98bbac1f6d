// The GL the shared drawing code calls, and the few things it does that
// differ between a desktop's OpenGL 3.3 core and a page's WebGL 2. The
// functions and types come from gl_api.h, which each backend folder holds;
// the backend also defines the functions below marked as its own.
#pragma once

#include <string>

#include "gl_api.h"

namespace rlp::gl {

// Resolves every entry point for the current context (ResolveEntryPoints);
// false when the driver lacks any. Also reads the version.
bool Load();
// The context's OpenGL version as major * 10 + minor (33 for 3.3).
int Version();

// Backend: fills the entry points for the current context; false, after a
// warning naming the first one missing, when the driver lacks any.
bool ResolveEntryPoints();
// Backend: a GLSL 3.30 source as this system's GL compiles it; answers
// `source` itself or the text kept in `storage`.
const char *ShaderSource(const char *source, std::string &storage);
// Backend: writes `bytes` of vertices at `offset` of the bound array buffer,
// without waiting for the draws already queued from it.
void WriteVertices(GLintptr offset, GLsizeiptr bytes, const void *vertices);
// Backend: copies a texture's RGBA8 pixels into `rgba` (width x height x 4).
void ReadTexture(GLuint texture, int width, int height, void *rgba);

}  // namespace rlp::gl
