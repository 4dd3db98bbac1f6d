// Shared internals of the platform layer: the pieces one source file needs
// from another. Nothing here is visible to game code.
#pragma once

#include <cstddef>

#include "raylib.h"

struct GLFWwindow;

namespace rlp {

// One vertex as the default vertex shader takes it: position, texture
// coordinate, colour (normalised bytes).
struct Vertex {
    float x, y, z;
    float u, v;
    unsigned char r, g, b, a;
};

// --- window.cpp -----------------------------------------------------------
// (What it needs of the system it runs on is in backend/window.h.)
// True while a window with a current OpenGL context exists; every GL call of
// the layer is skipped otherwise, so drawing without a window is a no-op.
bool GlReady();
bool GlfwReady();            // glfwInit has succeeded (it is kept for the process)
GLFWwindow *WindowHandle();  // null without a window
// The window's flags (config flags and window states), shared with
// each backend's window modes.
unsigned int &WindowFlags();
// Records a new client size at once, as raylib does; the window system
// confirms it later through the size callback.
void WindowSetScreenSize(int width, int height);

// --- gamepad.cpp ----------------------------------------------------------
constexpr int kGamepads = 4;  // pads 0 to 3
// GLFW 3.3's gamepad state: its buttons (A, B, X, Y, bumpers, back, guide,
// start, thumbs, d-pad up/right/down/left) and axes (left x/y, right x/y,
// left/right trigger), in that order.
constexpr int kGlfwGamepadButtons = 15;
constexpr int kGlfwGamepadAxes = 6;
void GamepadBeginPoll();   // current states become the previous ones
void GamepadOnGlfwInit();  // applies mappings set before GLFW was up
// Takes one pad's state as GLFW's gamepad mapping gives it, in GLFW's order.
// The pad counts as GLFW's from then on.
void GamepadApplyGlfwState(int pad, const unsigned char *buttons, const float *axes);
// The system no longer reports the pad: disconnects it if it was GLFW's.
void GamepadLost(int pad);
void GamepadSetAvailable(int pad, bool available);
void GamepadSetButton(int pad, int button, bool down);
void GamepadSetAxis(int pad, int axis, float value);
void GamepadReset();

// --- input.cpp ------------------------------------------------------------
// Called by the window system's event callbacks and by the frame poll.
void InputBeginPoll();  // current states become the previous ones
void InputSetKey(int key, bool down);
void InputSetMouseButton(int button, bool down);
void InputSetMousePosition(float x, float y);
void InputAddChar(unsigned int codepoint);  // a character typed, for GetCharPressed
void InputReset();

// --- batch.cpp ------------------------------------------------------------
void BatchInit();
void BatchShutdown();
// Sends the pending vertices to the GPU; called when the texture, shader,
// target or transform changes and at the end of a frame.
void BatchFlush();
// Queues triangles (count a multiple of 3) drawn with the given texture.
// Vertices are in the current drawing space; the 2D camera, when active, is
// applied here.
void BatchTriangles(unsigned int textureId, const Vertex *vertices, std::size_t count);
// Queues one quad given as four corners in order top-left, bottom-left,
// bottom-right, top-right.
void BatchQuad(unsigned int textureId, const Vertex corners[4]);
// Queues a dest-sized rectangle whose point `origin` (from its top-left)
// sits at (dest.x, dest.y), turned clockwise by `rotation` degrees about that
// point, textured from (u0, v0) at its top-left to (u1, v1) at bottom-right.
struct TexCoords {
    float u0, v0, u1, v1;
};
void BatchRectangle(unsigned int textureId, Rectangle dest, Vector2 origin, float rotation, TexCoords uv, Color tint);
unsigned int WhiteTextureId();
// Selects the framebuffer and sets viewport and projection for a target of
// width x height pixels with a top-left origin.
void BatchSetTarget(unsigned int framebufferId, int width, int height);
// 2D camera transform applied to queued vertices (identity when none).
void BatchSetCamera(const Camera2D *camera);
// Shader used for the next draws (0 = default).
void BatchSetShader(unsigned int programId, const int *locs);
unsigned int DrawCallCount();  // draw calls issued since InitWindow
void ResetDrawCallCount();

// --- shaders.cpp ----------------------------------------------------------
void ShadersInit();
void ShadersShutdown();
unsigned int DefaultShaderId();
int *DefaultShaderLocs();

// --- textures.cpp ---------------------------------------------------------
// Uploads an RGBA8 picture as a texture with nearest filtering and repeat
// wrapping. Needs a window.
Texture2D CreateTextureRGBA(int width, int height, const unsigned char *rgba);

// --- text.cpp -------------------------------------------------------------
void InitDefaultFont();
void UnloadDefaultFont();

// --- log.cpp --------------------------------------------------------------
bool LogEnabled(int level);

}  // namespace rlp
