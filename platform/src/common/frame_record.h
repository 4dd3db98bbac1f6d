// The frame's GL work, recorded rather than done at once, so that a frame
// whose work is exactly the previous frame's need not be drawn again: the
// window already shows it. A still menu then costs the driver nothing, while
// a frame that differs in one vertex, uniform or clear colour is drawn in
// full. Anything that reads or frees GPU objects first carries out what is
// recorded so far, so the order of work is never changed, only deferred.
#pragma once

#include <cstddef>
#include <cstdint>

#include "internal.h"

namespace rlp {

enum class FrameOpKind : std::uint32_t {
    Clear,
    Draw,
    Uniform
};

// One recorded piece of work. Plain bytes, zero-filled before use, so two
// frames compare with memcmp.
struct FrameOp {
    FrameOpKind kind;
    std::uint32_t framebuffer;   // Clear, Draw: the target
    std::int32_t width, height;  // Clear, Draw: the target's size
    std::uint32_t program;       // Draw, Uniform
    std::uint32_t texture;       // Draw
    std::int32_t location;       // Uniform
    std::int32_t uniformType;    // Uniform
    const int *locs;             // Draw: the program's attribute and uniform slots
    std::uint32_t first, count;  // Draw: vertices in the frame's vertex list
    float values[16];            // Clear: RGBA; Draw: projection; Uniform: the value's bytes
};

// Appends work to the frame. Does nothing without a window.
void FrameRecord(const FrameOp &op);
// Appends a draw of `count` vertices; fills op.first and op.count.
void FrameRecordDraw(FrameOp op, const Vertex *vertices, std::size_t count);
// Carries out everything recorded so far (before a read-back, a deletion or
// a screenshot). The frame is then drawn in full at its end.
void FrameSync();
// A GPU object was made or freed, or the window changed or was exposed: the
// next frame is drawn whatever it records.
void FrameInvalidate();
// At the end of a frame: true when the frame's work was carried out and the
// buffers must be swapped, false when it repeated the shown frame exactly.
bool FrameFinish();
void FrameReset();
// Frames drawn and frames that repeated the shown one, since InitWindow.
std::uint64_t FramesDrawn();
std::uint64_t FramesRepeated();

// --- batch.cpp: carrying out recorded work -------------------------------
void BatchExecuteClear(const FrameOp &op);
void BatchExecuteDraw(const FrameOp &op, const Vertex *vertices);
void BatchExecuteUniform(const FrameOp &op);
// The GL binding state is unknown (another file bound something).
void BatchForgetBindings();

}  // namespace rlp
