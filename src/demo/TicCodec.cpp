#include "demo/TicCodec.h"

#include <array>
#include <cmath>
#include <cstring>

namespace {

using Lanes = std::array<uint8_t, TicCodec::kLaneBytes>;
constexpr int kBytes = 12;              // the one-byte fields, lanes 0 to 11
constexpr int kSizes = 12;              // the window's width and height, 16-bit changes
constexpr int kPointer = 16;            // the mouse's x and y, 16-bit changes in eighths
constexpr int kStep = 20;               // the time step, 16 bits from the paced frame's
constexpr uint16_t kSetAside = 0x8000;  // a value whose bits are set aside

std::array<uint8_t, kBytes> smallFields(const InputTic &t)
{
    return {t.keyHeld,           t.keyPressed, t.padHeld,           t.padPressed,        uint8_t(t.padWalkX),
            uint8_t(t.padWalkY), t.pad,        uint8_t(t.padMenuX), uint8_t(t.padMenuY), uint8_t(t.padAimX),
            uint8_t(t.padAimY),  t.click};
}

void setSmallFields(InputTic *t, const std::array<uint8_t, kBytes> &b)
{
    t->keyHeld = b[0], t->keyPressed = b[1], t->padHeld = b[2], t->padPressed = b[3];
    t->padWalkX = int8_t(b[4]), t->padWalkY = int8_t(b[5]), t->pad = b[6];
    t->padMenuX = int8_t(b[7]), t->padMenuY = int8_t(b[8]), t->padAimX = int8_t(b[9]), t->padAimY = int8_t(b[10]);
    t->click = b[11];
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
// past it, where only the low bits vary: the distance from it codes in two
// bytes, the high one nearly always zero.
const uint32_t kPacedStep = bitsOf(1.0f / 60.0f);

// The pointer in whole eighths, when it is one exactly (a window reports
// whole pixels, a page often halves and quarters); -0 is kept as its bits.
bool eighths(float v, int32_t *n)
{
    const float scaled = v * 8.0f;  // exact: a power of two
    if (!(std::fabs(scaled) < 8388608.0f) || (scaled == 0.0f && std::signbit(scaled))) return false;
    *n = int32_t(scaled);
    return float(*n) == scaled;
}

void setAsideBits(float v, std::string *out)
{
    const uint32_t bits = bitsOf(v);
    for (int b = 0; b < 4; ++b)
        out->push_back(char(bits >> (8 * b)));
}

// The bits set aside for the next value, or false when there are none left.
bool takeSetAside(const std::string &in, std::size_t *at, float *v)
{
    if (in.size() - *at < 4) return false;
    uint32_t bits = 0;
    for (int b = 0; b < 4; ++b)
        bits |= uint32_t(uint8_t(in[(*at)++])) << (8 * b);
    *v = floatOf(bits);
    return true;
}

void put16(Lanes &lanes, int at, unsigned v)
{
    lanes[std::size_t(at)] = uint8_t(v);
    lanes[std::size_t(at) + 1] = uint8_t(v >> 8);
}

unsigned get16(const Lanes &lanes, int at)
{
    return unsigned(lanes[std::size_t(at)] | lanes[std::size_t(at) + 1] << 8);
}

}  // namespace

void TicCodec::pack(const InputTic *tics, std::size_t count, std::string *out)
{
    std::vector<Lanes> coded(count);
    std::string setAside;
    std::array<uint8_t, kBytes> lastSmall{};
    unsigned lastWidth = 0, lastHeight = 0;
    int32_t lastEighths[2] = {0, 0};
    for (std::size_t i = 0; i < count; ++i) {
        const InputTic &t = tics[i];
        Lanes &c = coded[i];
        const std::array<uint8_t, kBytes> small = smallFields(t);
        for (int b = 0; b < kBytes; ++b)
            c[std::size_t(b)] = uint8_t(small[std::size_t(b)] - lastSmall[std::size_t(b)]);
        lastSmall = small;
        put16(c, kSizes, t.screenWidth - lastWidth);
        put16(c, kSizes + 2, t.screenHeight - lastHeight);
        lastWidth = t.screenWidth, lastHeight = t.screenHeight;
        const float pointer[2] = {t.mouseX, t.mouseY};
        for (int axis = 0; axis < 2; ++axis) {
            int32_t n = 0;
            const int64_t change = eighths(pointer[axis], &n) ? int64_t(n) - lastEighths[axis] : INT64_MAX;
            if (change > -32768 && change < 32768) {
                put16(c, kPointer + 2 * axis, unsigned(change));
                lastEighths[axis] = n;
            } else {
                put16(c, kPointer + 2 * axis, kSetAside);
                setAsideBits(pointer[axis], &setAside);
            }
        }
        const int64_t fromPaced = int64_t(bitsOf(t.step)) - kPacedStep;
        if (fromPaced > -32768 && fromPaced < 32768) {
            put16(c, kStep, unsigned(fromPaced));
        } else {
            put16(c, kStep, kSetAside);
            setAsideBits(t.step, &setAside);
        }
    }
    for (std::size_t lane = 0; lane < kLaneBytes; ++lane)
        for (const Lanes &c : coded)
            out->push_back(char(c[lane]));
    *out += setAside;
}

bool TicCodec::unpack(const std::string &in, std::size_t *at, std::size_t count, std::vector<InputTic> *tics)
{
    if (in.size() - *at < count * kLaneBytes) return false;
    std::vector<Lanes> coded(count);
    for (std::size_t lane = 0; lane < kLaneBytes; ++lane)
        for (Lanes &c : coded)
            c[lane] = uint8_t(in[(*at)++]);
    std::array<uint8_t, kBytes> small{};
    unsigned width = 0, height = 0;
    int32_t lastEighths[2] = {0, 0};
    for (const Lanes &c : coded) {
        InputTic t;
        for (int b = 0; b < kBytes; ++b)
            small[std::size_t(b)] = uint8_t(small[std::size_t(b)] + c[std::size_t(b)]);
        setSmallFields(&t, small);
        width = (width + get16(c, kSizes)) & 0xffff;
        height = (height + get16(c, kSizes + 2)) & 0xffff;
        t.screenWidth = uint16_t(width), t.screenHeight = uint16_t(height);
        float pointer[2];
        for (int axis = 0; axis < 2; ++axis) {
            const unsigned code = get16(c, kPointer + 2 * axis);
            if (code == kSetAside) {
                if (!takeSetAside(in, at, &pointer[axis])) return false;
            } else {
                lastEighths[axis] += int16_t(uint16_t(code));
                if (std::abs(lastEighths[axis]) >= 8388608) return false;
                pointer[axis] = float(lastEighths[axis]) / 8.0f;
            }
        }
        t.mouseX = pointer[0], t.mouseY = pointer[1];
        const unsigned step = get16(c, kStep);
        if (step == kSetAside) {
            if (!takeSetAside(in, at, &t.step)) return false;
        } else {
            t.step = floatOf(uint32_t(int64_t(kPacedStep) + int16_t(uint16_t(step))));
        }
        if (!sane(t)) return false;
        tics->push_back(t);
    }
    return *at == in.size();
}

bool TicCodec::sane(const InputTic &t)
{
    const auto unit = [](int v) { return v >= -1 && v <= 1; };
    const auto pointer = [](float v) { return v >= -InputTic::kMaxPointer && v <= InputTic::kMaxPointer; };
    return unit(t.padWalkX) && unit(t.padWalkY) && unit(t.padMenuX) && unit(t.padMenuY) && t.pad < 32 && t.click <= 1 &&
           t.padAimX != -128 && t.padAimY != -128 && pointer(t.mouseX) && pointer(t.mouseY) && t.step >= 0.0f &&
           t.step <= InputTic::kMaxStep;
}
