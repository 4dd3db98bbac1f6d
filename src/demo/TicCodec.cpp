#include "demo/TicCodec.h"

#include <array>
#include <cmath>
#include <cstring>
#include <memory>

#include "demo/RangeCoder.h"

namespace {

using Odds = RangeCoder::Odds;
constexpr int kSmall = 12;                    // the one-byte fields
constexpr int kClassBits = 5;                 // a number's size class, as a tree of this many bits
constexpr unsigned kLargest = 24;             // the largest class: magnitudes below 2^24
constexpr unsigned kSetAside = kLargest + 1;  // the class of a value whose exact bits follow
constexpr int kTopBits = 8;  // the bits below a magnitude's top one that share a tree; the rest go alone

template <class... Tables> void even(Tables &...tables) { (RangeCoder::even(tables), ...); }

// The odds for one signed number lane: the pointer's axes and the step.
struct NumberOdds {
    Odds size[kSetAside + 1][1 << kClassBits];  // by the class before, when `byLastClass`
    Odds sign[3];                               // by the sign before: none, plus, minus
    Odds top[kLargest + 1][1 << kTopBits];      // by class, as a tree
    Odds low[kLargest + 1][kLargest];           // by class and the bit's place from the bottom
    unsigned lastClass = 0, lastSign = 0;
    bool byLastClass;
    int adapt;  // how fast its odds follow what they see
    NumberOdds(bool byLastClass, int adapt) : byLastClass(byLastClass), adapt(adapt) { even(size, sign, top, low); }
};

struct Number {
    bool aside = false;  // its exact bits follow instead
    int32_t value = 0;   // below 2^24 either way
};

unsigned bitCount(uint32_t v)
{
    unsigned n = 0;
    for (; v != 0; v >>= 1)
        ++n;
    return n;
}

// A number as its size class, its sign and the bits below its top one;
// false for a class no writer codes.
template <class Coder> bool number(Coder &c, NumberOdds &o, Number *n)
{
    const uint32_t magnitude = n->aside ? 0 : uint32_t(n->value < 0 ? -n->value : n->value);
    const unsigned size = RangeCoder::tree(c, o.size[o.byLastClass ? o.lastClass : 0], kClassBits,
                                           n->aside ? kSetAside : bitCount(magnitude), o.adapt);
    if (size > kSetAside) return false;
    o.lastClass = size;
    n->aside = size == kSetAside;
    if (n->aside || size == 0) {
        o.lastSign = 0, n->value = 0;
        return true;
    }
    const unsigned minus = c.bit(&o.sign[o.lastSign], n->value < 0, o.adapt);
    o.lastSign = 1 + minus;
    uint32_t got = 1;
    unsigned node = 1;
    for (int i = int(size) - 2, place = 0; i >= 0; --i, ++place) {
        const unsigned want = (magnitude >> i) & 1;
        const unsigned bit =
            place < kTopBits ? c.bit(&o.top[size][node], want, o.adapt) : c.bit(&o.low[size][i], want, o.adapt);
        node = (node << 1) | bit;
        got = (got << 1) | bit;
    }
    n->value = minus ? -int32_t(got) : int32_t(got);
    return true;
}

// (memcpy: the page's C++ library has no std::bit_cast.)
uint32_t bitsOf(float v)
{
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    return bits;
}

float floatOf(uint32_t bits)
{
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// The frame the game is paced at. A frame time lands a few hundred floats
// past it: the distance from it is a small number.
const uint32_t kPacedStep = bitsOf(1.0f / 60.0f);
constexpr int32_t kNear = 1 << kLargest;  // what a number lane codes without setting the bits aside
constexpr int32_t kFarthestEighths = 8388608;

// The pointer in whole eighths, when it is one exactly (a window reports
// whole pixels, a page often halves and quarters); -0 is kept as its bits.
bool eighths(float v, int32_t *n)
{
    const float scaled = v * 8.0f;  // exact: a power of two
    if (!(std::fabs(scaled) < float(kFarthestEighths)) || (scaled == 0.0f && std::signbit(scaled))) return false;
    *n = int32_t(scaled);
    return float(*n) == scaled;
}

// All a chunk's coding has learnt so far, and the tic before.
struct TicOdds {
    Odds anyChanged[2];          // whether a small field or the window's size changed, by whether one did last tic
    Odds changed[kSmall][2][2];  // by whether it changed last tic and whether a field before it did in this one
    Odds flipped[kSmall][256];
    Odds sizeChanged[2][2];
    Odds sizeFlipped[2][2][256];  // the high byte's tree, then the low one's
    Odds moved[2][2][2];          // the pointer's axis, by whether it moved last tic and whether x did in this one
    Odds whole[2][2];             // it moved whole pixels, by whether it did the time before
    // A move's size is much like the last one's; a frame time is nothing
    // like the last, but wanders with what else the machine does, so the
    // odds of both follow fast.
    NumberOdds pointer[2] = {{true, 4}, {true, 4}}, step{false, 4};
    InputTic last;
    bool wasChanged[kSmall + 3] = {}, wasMoved[2] = {}, wasWhole[2] = {};
    int32_t lastEighths[2] = {0, 0};
    explicit TicOdds(const InputTic &before) : last(before)
    {
        even(anyChanged, changed, flipped, sizeChanged, sizeFlipped, moved, whole);
        for (int axis = 0; axis < 2; ++axis)
            if (!eighths(axis == 0 ? before.mouseX : before.mouseY, &lastEighths[axis])) lastEighths[axis] = 0;
    }
};

constexpr int kKeyPressed = 1, kPadPressed = 3, kClick = 11;

std::array<uint8_t *, kSmall> smallFields(InputTic &t)
{
    return {&t.keyHeld,
            &t.keyPressed,
            &t.padHeld,
            &t.padPressed,
            reinterpret_cast<uint8_t *>(&t.padWalkX),
            reinterpret_cast<uint8_t *>(&t.padWalkY),
            &t.pad,
            reinterpret_cast<uint8_t *>(&t.padMenuX),
            reinterpret_cast<uint8_t *>(&t.padMenuY),
            reinterpret_cast<uint8_t *>(&t.padAimX),
            reinterpret_cast<uint8_t *>(&t.padAimY),
            &t.click};
}

// What a small field is likely to be, given the fields before it in this
// tic: what it was, but a press is what has just come to be held, and a
// click is over in a tic.
uint8_t expected(int field, const InputTic &now, const InputTic &before, uint8_t was)
{
    if (field == kKeyPressed) return uint8_t(now.keyHeld & ~before.keyHeld);
    if (field == kPadPressed) return uint8_t(now.padHeld & ~before.padHeld);
    return field == kClick ? 0 : was;
}

// The small fields and the window's size: one bit when none differs from
// what was expected, else each one's flipped bits.
template <class Coder> bool codeSmall(Coder &c, TicOdds &o, InputTic *t)
{
    const std::array<uint8_t *, kSmall> now = smallFields(*t), before = smallFields(o.last);
    uint16_t *const sizes[2] = {&t->screenWidth, &t->screenHeight};
    const uint16_t sizesBefore[2] = {o.last.screenWidth, o.last.screenHeight};
    unsigned differs = *sizes[0] != sizesBefore[0] || *sizes[1] != sizesBefore[1];
    for (int f = 0; f < kSmall; ++f)
        differs |= *now[f] != expected(f, *t, o.last, *before[f]);
    differs = c.bit(&o.anyChanged[o.wasChanged[kSmall + 2]], differs);
    o.wasChanged[kSmall + 2] = differs;
    unsigned anyChanged = 0;
    for (int f = 0; f < kSmall; ++f) {
        const uint8_t guess = expected(f, *t, o.last, *before[f]);
        const unsigned flip = unsigned(*now[f] ^ guess);
        const unsigned changed = differs && c.bit(&o.changed[f][o.wasChanged[f]][anyChanged != 0], flip != 0);
        o.wasChanged[f] = changed;
        anyChanged |= changed;
        const unsigned got = changed ? RangeCoder::tree(c, o.flipped[f], 8, flip) : 0;
        if (changed && got == 0) return false;
        *now[f] = uint8_t(guess ^ got);
    }
    for (int s = 0; s < 2; ++s) {
        const unsigned flip = unsigned(*sizes[s] ^ sizesBefore[s]);
        const unsigned changed = differs && c.bit(&o.sizeChanged[s][o.wasChanged[kSmall + s]], flip != 0);
        o.wasChanged[kSmall + s] = changed;
        anyChanged |= changed;
        unsigned got = 0;
        if (changed) {
            got = RangeCoder::tree(c, o.sizeFlipped[s][0], 8, flip >> 8) << 8;
            got |= RangeCoder::tree(c, o.sizeFlipped[s][1], 8, flip & 0xff);
            if (got == 0) return false;
        }
        *sizes[s] = uint16_t(sizesBefore[s] ^ got);
    }
    return anyChanged == differs;  // a change said and none given is no writer's
}

// The pointer's axes: whether it moved, whether by whole pixels, and how far.
template <class Coder> bool codePointer(Coder &c, TicOdds &o, InputTic *t)
{
    float *const pointer[2] = {&t->mouseX, &t->mouseY};
    const float before[2] = {o.last.mouseX, o.last.mouseY};
    for (int axis = 0; axis < 2; ++axis) {
        const unsigned xMoved = axis == 1 && o.wasMoved[0];
        const unsigned moved =
            c.bit(&o.moved[axis][o.wasMoved[axis]][xMoved], bitsOf(*pointer[axis]) != bitsOf(before[axis]));
        o.wasMoved[axis] = moved;
        if (!moved) {
            *pointer[axis] = before[axis];
            continue;
        }
        int32_t at = 0;
        Number n;
        n.aside = !eighths(*pointer[axis], &at) || std::abs(int64_t(at) - o.lastEighths[axis]) >= kNear;
        n.value = n.aside ? 0 : at - o.lastEighths[axis];
        const unsigned whole = c.bit(&o.whole[axis][o.wasWhole[axis]], !n.aside && n.value % 8 == 0);
        o.wasWhole[axis] = whole;
        if (whole) n.value /= 8;
        if (!number(c, o.pointer[axis], &n) || (whole && n.aside)) return false;
        if (n.aside) {
            *pointer[axis] = floatOf(c.plain(bitsOf(*pointer[axis])));
        } else {
            o.lastEighths[axis] += whole ? 8 * n.value : n.value;
            if (std::abs(o.lastEighths[axis]) >= kFarthestEighths) return false;
            *pointer[axis] = float(o.lastEighths[axis]) / 8.0f;
        }
    }
    return true;
}

// Codes the tic in *t (or reads it into *t) against the one before; false
// when the stream holds what no writer codes.
template <class Coder> bool codeTic(Coder &c, TicOdds &o, InputTic *t)
{
    if (!codeSmall(c, o, t) || !codePointer(c, o, t)) return false;
    const int64_t fromPaced = int64_t(bitsOf(t->step)) - kPacedStep;
    Number n;
    n.aside = fromPaced <= -kNear || fromPaced >= kNear;
    n.value = n.aside ? 0 : int32_t(fromPaced);
    if (!number(c, o.step, &n)) return false;
    t->step = floatOf(n.aside ? c.plain(bitsOf(t->step)) : uint32_t(int64_t(kPacedStep) + n.value));
    o.last = *t;
    return true;
}

}  // namespace

void TicCodec::pack(const InputTic &before, const InputTic *tics, std::size_t count, std::string *out)
{
    RangeCoder::Encoder encoder(out);
    RangeCoder::Writing writing{encoder};
    const auto odds = std::make_unique<TicOdds>(before);  // some 60 KB: too much for the page's stack
    for (std::size_t i = 0; i < count; ++i) {
        InputTic t = tics[i];
        codeTic(writing, *odds, &t);
    }
    encoder.finish();
}

bool TicCodec::unpack(const std::string &in, std::size_t *at, std::size_t count, const InputTic &before,
                      std::vector<InputTic> *tics)
{
    RangeCoder::Decoder decoder(in, *at, in.size());
    RangeCoder::Reading reading{decoder};
    const auto odds = std::make_unique<TicOdds>(before);
    for (std::size_t i = 0; i < count; ++i) {
        InputTic t;
        if (!decoder.ok || !codeTic(reading, *odds, &t) || !sane(t)) return false;
        tics->push_back(t);
    }
    *at = in.size();
    return decoder.wholeAndOk();
}

bool TicCodec::sane(const InputTic &t)
{
    const auto unit = [](int v) { return v >= -1 && v <= 1; };
    const auto pointer = [](float v) { return v >= -InputTic::kMaxPointer && v <= InputTic::kMaxPointer; };
    return unit(t.padWalkX) && unit(t.padWalkY) && unit(t.padMenuX) && unit(t.padMenuY) && t.pad < 32 && t.click <= 1 &&
           t.padAimX != -128 && t.padAimY != -128 && pointer(t.mouseX) && pointer(t.mouseY) && t.step >= 0.0f &&
           t.step <= InputTic::kMaxStep;
}
