// In the browser the context is WebGL 2 (OpenGL ES 3.0), whose entry points
// are linked directly.
#pragma once

#include <GLES3/gl3.h>
