// The simulation's float functions over a fixed table of inputs, their
// results written as raw bits. A run replays the same only if every build
// computes these the same, so the desktop program and the browser build's
// node program must write the same file (tools/sim_table/compare.py).
//
//   tallowfen_sim_table OUT                the whole table, into OUT
//   tallowfen_sim_table --case NAME INDEX  one case's inputs and results, as text
//
// OUT holds, for each function, a line "NAME CASES WIDTH" and then
// CASES * WIDTH results as little-endian 32-bit words.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "raymath.h"
#include "sim/SimMath.h"

namespace {

constexpr uint32_t kCases = 1u << 20;

uint32_t bitsOf(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

float floatOf(uint32_t u)
{
    float f;
    std::memcpy(&f, &u, sizeof f);
    return f;
}

// The edges every function must agree on: zeros, the smallest subnormal and
// normal, the largest finite, infinities, quiet and signalling NaNs, and the
// game's own landmarks (1, pi, a half and a whole turn, 360, 2^24).
constexpr uint32_t kSpecials[] = {
    0x00000000, 0x80000000, 0x00000001, 0x80000001, 0x00800000, 0x80800000, 0x0da24260, 0x8da24260,
    0x7f7fffff, 0xff7fffff, 0x7149f2ca, 0xf149f2ca, 0x5f000000, 0x7f800000, 0xff800000, 0x7fc00000,
    0xffc00000, 0x7fa00000, 0x3f800000, 0xbf800000, 0x3f000000, 0x40490fdb, 0xc0490fdb, 0x3fc90fdb,
    0x40c90fdb, 0x43b40000, 0xc3b40000, 0x4b800000, 0x4b800001};

// One case's inputs: a xorshift seeded from the function and the case, so any
// case can be drawn again alone (--case) exactly as the table drew it.
class Draw {
public:
    Draw(uint32_t function, uint32_t index)
    {
        uint64_t z = (uint64_t(function) << 32 | index) + 0x9e3779b97f4a7c15ull;  // splitmix64
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        state = (z ^ (z >> 31)) | 1;
    }

    uint32_t next()
    {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return uint32_t(state >> 32);
    }

    // lo to hi, worked out in double and rounded once, the same everywhere.
    float uniform(double lo, double hi) { return float(lo + (hi - lo) * (double(next()) * 0x1p-32)); }

    // One in sixteen a special value, one in sixteen any bits at all, else usual().
    template <class Usual>
    float pick(Usual usual)
    {
        switch (next() % 16) {
            case 0: return floatOf(kSpecials[next() % (sizeof kSpecials / sizeof kSpecials[0])]);
            case 1: return floatOf(next());
            default: return usual();
        }
    }

    // An angle in radians: mostly within the -8 to 8 the game turns through.
    float angle()
    {
        return pick([this] { return next() % 8 == 0 ? uniform(-1000.0, 1000.0) : uniform(-8.0, 8.0); });
    }

    // A coordinate or a difference of two: the arena's pixels, whole pixels
    // (the mouse's), and a stick's -1 to 1.
    float coordinate()
    {
        return pick([this] {
            switch (next() % 4) {
                case 0: return uniform(-1.0, 1.0);
                case 1: return float(int(next() % 801) - 400);
                default: return uniform(-400.0, 400.0);
            }
        });
    }

    float fraction() { return pick([this] { return uniform(0.0, 1.0); }); }

    // A squared distance across the arena, or a stick's.
    float square() { return pick([this] { return next() % 4 ? uniform(0.0, 320000.0) : uniform(0.0, 2.0); }); }

private:
    uint64_t state;
};

struct Case {
    float in[5] = {};
    float out[2] = {};
};

struct Function {
    const char *name;
    const char *inputs;  // the inputs' names, one letter each
    int width;           // results a case
    void (*make)(Draw &, Case &);
};

const Function kFunctions[] = {
    {"sin", "x", 1, [](Draw &d, Case &c) { c.out[0] = sim::sin(c.in[0] = d.angle()); }},
    {"cos", "x", 1, [](Draw &d, Case &c) { c.out[0] = sim::cos(c.in[0] = d.angle()); }},
    {"atan2", "yx", 1, [](Draw &d, Case &c) {
         c.in[0] = d.coordinate(), c.in[1] = d.coordinate();
         c.out[0] = sim::atan2(c.in[0], c.in[1]);
     }},
    {"hypot", "xy", 1, [](Draw &d, Case &c) {
         c.in[0] = d.coordinate(), c.in[1] = d.coordinate();
         c.out[0] = sim::hypot(c.in[0], c.in[1]);
     }},
    // The gun's angle is fmod(degrees + 360, 360); other divisors now and then.
    {"fmod", "xy", 1, [](Draw &d, Case &c) {
         c.in[0] = d.next() % 2 ? d.angle() * RAD2DEG + 360.0f : d.coordinate();
         c.in[1] = d.next() % 4 ? 360.0f : d.coordinate();
         c.out[0] = std::fmod(c.in[0], c.in[1]);
     }},
    {"sqrt", "x", 1, [](Draw &d, Case &c) {
         c.in[0] = d.square();
         c.out[0] = std::sqrt(c.in[0]);
     }},
    // Gun::updateRot and Gun::aimAlong: the aim in degrees from a difference.
    {"aim", "xy", 1, [](Draw &d, Case &c) {
         c.in[0] = d.coordinate(), c.in[1] = d.coordinate();
         c.out[0] = std::fmod(sim::atan2(c.in[1], c.in[0]) * RAD2DEG + 360.0f, 360.0f);
     }},
    // Enemy's length is the same sum under sqrt.
    {"Vector2Length", "xy", 1, [](Draw &d, Case &c) {
         c.in[0] = d.coordinate(), c.in[1] = d.coordinate();
         c.out[0] = Vector2Length(Vector2{c.in[0], c.in[1]});
     }},
    {"Vector2Distance", "abcd", 1, [](Draw &d, Case &c) {
         for (int i = 0; i < 4; i++) c.in[i] = d.coordinate();
         c.out[0] = Vector2Distance(Vector2{c.in[0], c.in[1]}, Vector2{c.in[2], c.in[3]});
     }},
    {"Vector2Lerp", "abcdt", 2, [](Draw &d, Case &c) {
         for (int i = 0; i < 4; i++) c.in[i] = d.coordinate();
         c.in[4] = d.fraction();
         const Vector2 r = Vector2Lerp(Vector2{c.in[0], c.in[1]}, Vector2{c.in[2], c.in[3]}, c.in[4]);
         c.out[0] = r.x, c.out[1] = r.y;
     }},
};

Case make(uint32_t function, uint32_t index)
{
    Draw draw(function, index);
    Case c;
    kFunctions[function].make(draw, c);
    return c;
}

int writeTable(const char *path)
{
    FILE *out = std::fopen(path, "wb");
    if (out == nullptr) {
        std::fprintf(stderr, "tallowfen_sim_table: cannot write %s: %s\n", path, std::strerror(errno));
        return 1;
    }
    std::vector<unsigned char> bytes;
    for (uint32_t f = 0; f < sizeof kFunctions / sizeof kFunctions[0]; f++) {
        const Function &function = kFunctions[f];
        std::fprintf(out, "%s %u %d\n", function.name, unsigned(kCases), function.width);
        bytes.clear();
        bytes.reserve(std::size_t(kCases) * function.width * 4);
        for (uint32_t i = 0; i < kCases; i++) {
            const Case c = make(f, i);
            for (int k = 0; k < function.width; k++) {
                const uint32_t u = bitsOf(c.out[k]);
                for (int shift = 0; shift < 32; shift += 8) bytes.push_back(uint8_t(u >> shift));
            }
        }
        std::fwrite(bytes.data(), 1, bytes.size(), out);
    }
    if (std::fclose(out) != 0) {
        std::fprintf(stderr, "tallowfen_sim_table: cannot write %s: %s\n", path, std::strerror(errno));
        return 1;
    }
    return 0;
}

int showCase(const std::string &name, const char *indexText)
{
    char *end = nullptr;
    const unsigned long index = std::strtoul(indexText, &end, 10);
    for (uint32_t f = 0; f < sizeof kFunctions / sizeof kFunctions[0]; f++) {
        const Function &function = kFunctions[f];
        if (name != function.name) continue;
        if (end == indexText || *end != '\0' || index >= kCases) {
            std::fprintf(stderr, "tallowfen_sim_table: the case must be a number below %u, not %s\n",
                         unsigned(kCases), indexText);
            return 2;
        }
        const Case c = make(f, uint32_t(index));
        std::printf("%s(", function.name);
        for (int i = 0; function.inputs[i] != '\0'; i++)
            std::printf("%s%c = %.9g [%08x]", i ? ", " : "", function.inputs[i], c.in[i], unsigned(bitsOf(c.in[i])));
        std::printf(") =");
        for (int k = 0; k < function.width; k++) std::printf(" %.9g [%08x]", c.out[k], unsigned(bitsOf(c.out[k])));
        std::printf("\n");
        return 0;
    }
    std::fprintf(stderr, "tallowfen_sim_table: no function is called %s\n", name.c_str());
    return 2;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 2 && argv[1][0] != '-') return writeTable(argv[1]);
    if (argc == 4 && std::strcmp(argv[1], "--case") == 0) return showCase(argv[2], argv[3]);
    std::fprintf(stderr, "usage: tallowfen_sim_table OUT | --case NAME INDEX\n");
    return 2;
}
