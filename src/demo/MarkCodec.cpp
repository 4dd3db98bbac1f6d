#include "demo/MarkCodec.h"

namespace {

// Whether a mark of kind `next` can follow one of kind `before` (0: none yet)
// in a run the game recorded.
bool canFollow(unsigned before, unsigned next)
{
    switch (before) {
        case 0: return next == DemoMark::kLevelStart || next == DemoMark::kResume;
        // A level ends, is left with the game closed, or the program is killed
        // in it and the next one continues the run.
        case DemoMark::kLevelStart:
            return next == DemoMark::kLevelEnd || next == DemoMark::kKept || next == DemoMark::kResume;
        case DemoMark::kLevelEnd: return next != DemoMark::kLevelEnd;
        case DemoMark::kResume: return next == DemoMark::kLevelStart;
        case DemoMark::kKept: return next == DemoMark::kResume;
        default: return false;  // nothing follows a death
    }
}

}  // namespace

void MarkCodec::pack(const DemoMark &m, ByteWriter *out)
{
    out->u8(m.kind);
    out->u32(m.at);
    out->u32(uint32_t(m.level));
    out->u64(m.digest);
    if (m.kind == DemoMark::kLevelStart) {
        out->u32(m.seedRand);
        out->u32(m.seedRaylib);
        out->u8(m.screenshake);
        out->u8(uint8_t(m.animTick));
        out->u8(uint8_t(m.animFrame));
        out->u32(uint32_t(m.stuck));
        out->u8(m.shopUpgrade);
    } else if (m.kind == DemoMark::kResume) {
        out->u8(m.restarted);
        out->u32(uint32_t(m.run.size()));
        out->out += m.run;
    }
}

bool MarkCodec::unpack(ByteReader *r, std::size_t ticsAfter, int *expectLevel, std::vector<DemoMark> *marks)
{
    DemoMark m;
    const unsigned kind = r->u8();
    if (kind < DemoMark::kLevelStart || kind > DemoMark::kDeath) return false;
    m.kind = DemoMark::Kind(kind);
    m.at = r->u32();
    m.level = int32_t(r->u32());
    m.digest = r->u64();
    if (m.kind == DemoMark::kLevelStart) {
        m.seedRand = r->u32();
        m.seedRaylib = r->u32();
        m.screenshake = uint8_t(r->u8());
        m.animTick = int8_t(r->u8());
        m.animFrame = int8_t(r->u8());
        m.stuck = int32_t(r->u32());
        m.shopUpgrade = uint8_t(r->u8());
        // Levels follow one another: a run cannot skip to a level it never reached.
        if (m.level != *expectLevel || m.screenshake > 1 || m.animTick < 0 || m.animTick > 12 || m.animFrame < 0 ||
            m.animFrame > 3)
            return false;
        *expectLevel += 1;
    } else if (m.kind == DemoMark::kResume) {
        m.restarted = uint8_t(r->u8());
        const uint32_t length = r->u32();
        if (m.restarted > 1 || length > 4096 || length > r->in.size() - r->at) return false;
        m.run = r->in.substr(r->at, length);
        r->at += length;
        // NEW GAME continues at the level after the last one begun.
        if (m.level < 1 || m.level > *expectLevel) return false;
        *expectLevel = m.level;
    } else if (m.level != *expectLevel - 1) {
        return false;  // ends, keeps or dies in a level it never began
    }
    const uint32_t lastAt = marks->empty() ? 0 : marks->back().at;
    if (!r->ok || m.at < lastAt || m.at > ticsAfter) return false;
    if (!canFollow(marks->empty() ? 0 : marks->back().kind, m.kind)) return false;
    marks->push_back(std::move(m));
    return true;
}
