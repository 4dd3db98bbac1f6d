// Records a frame's GL work and carries it out at the frame's end, unless it
// repeats the frame on screen exactly. See frame_record.h.
#include "frame_record.h"

#include <cstring>
#include <set>
#include <vector>

namespace {

// A frame this large is carried out at once rather than held: a program that
// draws without ever ending a frame must not grow the record without bound.
constexpr std::size_t kMaxRecordedVertices = 1u << 20;
constexpr std::size_t kMaxRecordedOps = 1u << 16;

struct Frame {
    std::vector<rlp::FrameOp> ops;
    std::vector<rlp::Vertex> vertices;
};

struct Recorder {
    Frame current;
    Frame shown;               // the last frame carried out or repeated
    std::size_t executed = 0;  // ops of `current` already carried out
    bool shownValid = false;   // the window shows exactly `shown`
    bool synced = false;       // part of this frame was carried out early
    std::uint64_t drawn = 0;
    std::uint64_t repeated = 0;
};

Recorder g_rec;

void execute(std::size_t from)
{
    const Frame &f = g_rec.current;
    rlp::BatchForgetBindings();
    for (std::size_t i = from; i < f.ops.size(); ++i) {
        const rlp::FrameOp &op = f.ops[i];
        switch (op.kind) {
            case rlp::FrameOpKind::Clear: rlp::BatchExecuteClear(op); break;
            case rlp::FrameOpKind::Draw: rlp::BatchExecuteDraw(op, f.vertices.data() + op.first); break;
            case rlp::FrameOpKind::Uniform: rlp::BatchExecuteUniform(op); break;
        }
    }
    g_rec.executed = f.ops.size();
}

bool sameFrame(const Frame &a, const Frame &b)
{
    // memcmp must not see the null data of an empty vector, even for 0 bytes.
    auto same = [](const void *x, const void *y, std::size_t bytes) {
        return bytes == 0 || std::memcmp(x, y, bytes) == 0;
    };
    return a.ops.size() == b.ops.size() && a.vertices.size() == b.vertices.size() &&
           same(a.ops.data(), b.ops.data(), a.ops.size() * sizeof(rlp::FrameOp)) &&
           same(a.vertices.data(), b.vertices.data(), a.vertices.size() * sizeof(rlp::Vertex));
}

// Drawing the frame again gives the same pixels only when every target it
// draws into is cleared first in the frame; otherwise it would build on what
// the previous frame left (translucent draws would deepen).
bool repeatable(const Frame &f)
{
    std::set<std::uint32_t> cleared;
    for (const rlp::FrameOp &op : f.ops) {
        if (op.kind == rlp::FrameOpKind::Clear) cleared.insert(op.framebuffer);
        if (op.kind == rlp::FrameOpKind::Draw && cleared.count(op.framebuffer) == 0) return false;
    }
    return true;
}

void syncIfLarge()
{
    if (g_rec.current.ops.size() >= kMaxRecordedOps || g_rec.current.vertices.size() >= kMaxRecordedVertices) {
        rlp::FrameSync();
        // Nothing this large is kept for comparison.
        g_rec.current = Frame{};
        g_rec.executed = 0;
    }
}

}  // namespace

namespace rlp {

void FrameRecord(const FrameOp &op)
{
    if (!GlReady()) return;
    g_rec.current.ops.push_back(op);
    syncIfLarge();
}

void FrameRecordDraw(FrameOp op, const Vertex *vertices, std::size_t count)
{
    if (!GlReady() || count == 0) return;
    op.kind = FrameOpKind::Draw;
    op.first = std::uint32_t(g_rec.current.vertices.size());
    op.count = std::uint32_t(count);
    g_rec.current.vertices.insert(g_rec.current.vertices.end(), vertices, vertices + count);
    g_rec.current.ops.push_back(op);
    syncIfLarge();
}

void FrameSync()
{
    if (!GlReady()) return;
    if (g_rec.executed < g_rec.current.ops.size()) execute(g_rec.executed);
    g_rec.synced = true;
    g_rec.shownValid = false;
}

void FrameInvalidate() { g_rec.shownValid = false; }

bool FrameFinish()
{
    if (!GlReady()) return false;
    const bool repeat =
        g_rec.shownValid && !g_rec.synced && sameFrame(g_rec.current, g_rec.shown) && repeatable(g_rec.current);
    if (repeat) {
        ++g_rec.repeated;
    } else {
        execute(g_rec.executed);
        ++g_rec.drawn;
    }
    std::swap(g_rec.shown, g_rec.current);
    g_rec.current.ops.clear();
    g_rec.current.vertices.clear();
    g_rec.executed = 0;
    g_rec.synced = false;
    g_rec.shownValid = true;
    return !repeat;
}

void FrameReset() { g_rec = Recorder{}; }

std::uint64_t FramesDrawn() { return g_rec.drawn; }
std::uint64_t FramesRepeated() { return g_rec.repeated; }

}  // namespace rlp
