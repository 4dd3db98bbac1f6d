// The draw batch: every shape, texture and glyph becomes triangles queued
// here and sent to the GPU in as few draw calls as the state changes allow.

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "backend/gl.h"
#include "frame_record.h"
#include "internal.h"

namespace {

constexpr std::size_t kMaxVertices = 6 * 8192;
// The GPU buffer the draws append to. Appending walks every page of it, so
// it is kept to a few frames of a busy level rather than a full batch; a
// larger draw gets a buffer of its own size until the next renewal.
constexpr std::size_t kGpuVertices = 8192;
constexpr int kLocMvp = 6;
constexpr int kLocColDiffuse = 12;
constexpr int kLocTexture0 = 15;

// GPU objects and pending state of the batch.
struct Batch {
    GLuint vao = 0;
    GLuint vbo = 0;
    GLuint white = 0;
    std::vector<rlp::Vertex> vertices;
    GLuint texture = 0;
    GLuint program = 0;
    const int *locs = nullptr;
    float projection[16] = {};
    bool hasCamera = false;
    float camera[6] = {1, 0, 0, 0, 1, 0};  // x' = a*x + b*y + c, y' = d*x + e*y + f
    GLuint framebuffer = 0;                // the target draws and clears go to
    int width = 0, height = 0;
    unsigned int drawCalls = 0;
    std::size_t uploaded = 0;  // vertices already in the GPU buffer since it was last renewed
    std::size_t capacity = 0;  // vertices the GPU buffer holds
    // What carrying out recorded work last bound; -1 when unknown.
    long long boundFramebuffer = -1;
    int boundWidth = 0, boundHeight = 0;
    bool ready = false;
};

Batch g_batch;

void setOrtho(int width, int height)
{
    // Column-major orthographic projection, top-left origin, y down.
    float *m = g_batch.projection;
    std::memset(m, 0, sizeof(g_batch.projection));
    m[0] = 2.0f / float(width > 0 ? width : 1);
    m[5] = -2.0f / float(height > 0 ? height : 1);
    m[10] = -1.0f;
    m[12] = -1.0f;
    m[13] = 1.0f;
    m[15] = 1.0f;
}

}  // namespace

namespace rlp {

void BatchInit()
{
    g_batch = Batch{};
    g_batch.vertices.reserve(kMaxVertices);
    glGenVertexArrays(1, &g_batch.vao);
    glBindVertexArray(g_batch.vao);
    glGenBuffers(1, &g_batch.vbo);
    glBindBuffer(GL_ARRAY_BUFFER, g_batch.vbo);
    g_batch.capacity = kGpuVertices;
    glBufferData(GL_ARRAY_BUFFER, g_batch.capacity * sizeof(Vertex), nullptr, GL_DYNAMIC_DRAW);
    // Attribute slots as raylib binds them: position 0, texcoord 1, colour 3.
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(Vertex), (void *)offsetof(Vertex, x));
    glEnableVertexAttribArray(1);
    glVertexAttribPointer(1, 2, GL_FLOAT, GL_FALSE, sizeof(Vertex), (void *)offsetof(Vertex, u));
    glEnableVertexAttribArray(3);
    glVertexAttribPointer(3, 4, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(Vertex), (void *)offsetof(Vertex, r));

    const unsigned char white[4] = {255, 255, 255, 255};
    g_batch.white = CreateTextureRGBA(1, 1, white).id;
    g_batch.texture = g_batch.white;

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    g_batch.ready = true;
}

void BatchShutdown()
{
    if (!g_batch.ready) return;
    glDeleteTextures(1, &g_batch.white);
    glDeleteBuffers(1, &g_batch.vbo);
    glDeleteVertexArrays(1, &g_batch.vao);
    g_batch = Batch{};
}

void BatchFlush()
{
    if (!g_batch.ready || g_batch.vertices.empty()) return;
    FrameOp op{};
    op.kind = FrameOpKind::Draw;
    op.framebuffer = g_batch.framebuffer;
    op.width = g_batch.width;
    op.height = g_batch.height;
    op.program = g_batch.program ? g_batch.program : DefaultShaderId();
    op.locs = g_batch.program ? g_batch.locs : DefaultShaderLocs();
    op.texture = g_batch.texture;
    std::memcpy(op.values, g_batch.projection, sizeof(op.values));
    FrameRecordDraw(op, g_batch.vertices.data(), g_batch.vertices.size());
    ++g_batch.drawCalls;
    g_batch.vertices.clear();
}

void BatchForgetBindings() { g_batch.boundFramebuffer = -1; }

namespace {

void bindTarget(const FrameOp &op)
{
    if (g_batch.boundFramebuffer == (long long)op.framebuffer && g_batch.boundWidth == op.width &&
        g_batch.boundHeight == op.height)
        return;
    glBindFramebuffer(GL_FRAMEBUFFER, op.framebuffer);
    glViewport(0, 0, op.width, op.height);
    g_batch.boundFramebuffer = op.framebuffer;
    g_batch.boundWidth = op.width;
    g_batch.boundHeight = op.height;
}

}  // namespace

void BatchExecuteClear(const FrameOp &op)
{
    bindTarget(op);
    glClearColor(op.values[0], op.values[1], op.values[2], op.values[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void BatchExecuteDraw(const FrameOp &op, const Vertex *vertices)
{
    bindTarget(op);
    glUseProgram(op.program);
    if (op.locs != nullptr) {
        if (op.locs[kLocMvp] >= 0) glUniformMatrix4fv(op.locs[kLocMvp], 1, GL_FALSE, op.values);
        if (op.locs[kLocColDiffuse] >= 0) glUniform4f(op.locs[kLocColDiffuse], 1.0f, 1.0f, 1.0f, 1.0f);
        if (op.locs[kLocTexture0] >= 0) glUniform1i(op.locs[kLocTexture0], 0);
    }
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, op.texture);
    glBindVertexArray(g_batch.vao);
    glBindBuffer(GL_ARRAY_BUFFER, g_batch.vbo);
    // Each draw appends to the GPU buffer, unsynchronised, behind the draws
    // already queued from it, and only a full buffer is renewed (orphaned):
    // each renewal has the driver allocate and clear a whole new buffer, which
    // at every draw would be most of a menu frame's cost.
    const std::size_t count = op.count;
    if (g_batch.uploaded + count > g_batch.capacity) {
        g_batch.capacity = std::max(kGpuVertices, count);
        glBufferData(GL_ARRAY_BUFFER, g_batch.capacity * sizeof(Vertex), nullptr, GL_DYNAMIC_DRAW);
        g_batch.uploaded = 0;
    }
    const auto offset = GLintptr(g_batch.uploaded * sizeof(Vertex));
    const auto bytes = GLsizeiptr(count * sizeof(Vertex));
    rlp::gl::WriteVertices(offset, bytes, vertices);
    glDrawArrays(GL_TRIANGLES, GLint(g_batch.uploaded), GLsizei(count));
    g_batch.uploaded += count;
}

void BatchTriangles(unsigned int textureId, const Vertex *vertices, std::size_t count)
{
    if (!g_batch.ready || count == 0) return;
    if (textureId != g_batch.texture) {
        BatchFlush();
        g_batch.texture = textureId;
    }
    if (g_batch.vertices.size() + count > kMaxVertices) BatchFlush();
    for (std::size_t i = 0; i < count; ++i) {
        Vertex v = vertices[i];
        if (g_batch.hasCamera) {
            const float *c = g_batch.camera;
            const float x = v.x, y = v.y;
            v.x = c[0] * x + c[1] * y + c[2];
            v.y = c[3] * x + c[4] * y + c[5];
        }
        g_batch.vertices.push_back(v);
    }
}

void BatchQuad(unsigned int textureId, const Vertex corners[4])
{
    const Vertex triangles[6] = {corners[0], corners[1], corners[2], corners[0], corners[2], corners[3]};
    BatchTriangles(textureId, triangles, 6);
}

void BatchRectangle(unsigned int textureId, Rectangle dest, Vector2 origin, float rotation, TexCoords uv, Color tint)
{
    // Corners relative to the pivot, in the order TL, BL, BR, TR.
    const float dx = -origin.x, dy = -origin.y;
    const float xs[4] = {dx, dx, dx + dest.width, dx + dest.width};
    const float ys[4] = {dy, dy + dest.height, dy + dest.height, dy};
    const float us[4] = {uv.u0, uv.u0, uv.u1, uv.u1};
    const float vs[4] = {uv.v0, uv.v1, uv.v1, uv.v0};
    const float radians = rotation * DEG2RAD;
    const float cs = std::cos(radians), sn = std::sin(radians);
    Vertex corners[4];
    for (int i = 0; i < 4; ++i) {
        const float x = rotation == 0.0f ? xs[i] : xs[i] * cs - ys[i] * sn;
        const float y = rotation == 0.0f ? ys[i] : xs[i] * sn + ys[i] * cs;
        corners[i] = Vertex{dest.x + x, dest.y + y, 0.0f, us[i], vs[i], tint.r, tint.g, tint.b, tint.a};
    }
    BatchQuad(textureId, corners);
}

unsigned int WhiteTextureId() { return g_batch.white; }

void BatchSetTarget(unsigned int framebufferId, int width, int height)
{
    if (!g_batch.ready) return;
    BatchFlush();
    g_batch.framebuffer = framebufferId;
    g_batch.width = width;
    g_batch.height = height;
    setOrtho(width, height);
}

void BatchSetCamera(const Camera2D *camera)
{
    BatchFlush();
    if (camera == nullptr) {
        g_batch.hasCamera = false;
        return;
    }
    // screen = rotate(world - target) * zoom + offset, rotation clockwise on a y-down screen.
    const float radians = camera->rotation * DEG2RAD;
    const float cs = std::cos(radians) * camera->zoom;
    const float sn = std::sin(radians) * camera->zoom;
    const float tx = camera->target.x, ty = camera->target.y;
    float *c = g_batch.camera;
    c[0] = cs;
    c[1] = -sn;
    c[2] = camera->offset.x - (cs * tx - sn * ty);
    c[3] = sn;
    c[4] = cs;
    c[5] = camera->offset.y - (sn * tx + cs * ty);
    g_batch.hasCamera = true;
}

void BatchSetShader(unsigned int programId, const int *locs)
{
    if (programId == DefaultShaderId()) programId = 0;
    if (programId == g_batch.program) return;
    BatchFlush();
    g_batch.program = programId;
    g_batch.locs = locs;
}

unsigned int DrawCallCount() { return g_batch.drawCalls; }
void ResetDrawCallCount() { g_batch.drawCalls = 0; }

}  // namespace rlp

extern "C" void ClearBackground(Color color)
{
    if (!g_batch.ready) return;
    rlp::BatchFlush();
    rlp::FrameOp op{};
    op.kind = rlp::FrameOpKind::Clear;
    op.framebuffer = g_batch.framebuffer;
    op.width = g_batch.width;
    op.height = g_batch.height;
    const float rgba[4] = {color.r / 255.0f, color.g / 255.0f, color.b / 255.0f, color.a / 255.0f};
    std::memcpy(op.values, rgba, sizeof rgba);
    rlp::FrameRecord(op);
}
