// Logging and raylib's random generator.
#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "internal.h"

namespace {

// The audio thread logs too, while the game's thread may set either.
std::atomic<int> g_logLevel{LOG_INFO};
// Held in a struct: where va_list carries attributes (MinGW's), they would be
// dropped from the function type as a template argument.
struct LogCallback {
    TraceLogCallback call;
};
std::atomic<LogCallback> g_logCallback{LogCallback{nullptr}};

// xoshiro128** — raylib's generator, independent of the C library's rand().
struct Xoshiro128 {
    uint32_t s[4] = {0x96ea83c1u, 0x218b21e5u, 0xaa91febdu, 0x976414d4u};  // raylib's, before any seed

    static uint32_t rotl(uint32_t x, int k) { return (x << k) | (x >> (32 - k)); }

    void seed(uint64_t seed)
    {
        // splitmix64 spreads the seed over the whole state.
        auto next = [&seed]() {
            uint64_t z = (seed += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            return z ^ (z >> 31);
        };
        // raylib 5.5 takes four draws and keeps the low half of the first and
        // third and the high half of the second and fourth.
        s[0] = uint32_t(next());
        s[1] = uint32_t(next() >> 32);
        s[2] = uint32_t(next());
        s[3] = uint32_t(next() >> 32);
    }

    uint32_t next()
    {
        const uint32_t result = rotl(s[1] * 5, 7) * 9;
        const uint32_t t = s[1] << 9;
        s[2] ^= s[0];
        s[3] ^= s[1];
        s[1] ^= s[2];
        s[0] ^= s[3];
        s[2] ^= t;
        s[3] = rotl(s[3], 11);
        return result;
    }
};

Xoshiro128 g_random;

const char *levelPrefix(int level)
{
    switch (level) {
        case LOG_TRACE: return "TRACE: ";
        case LOG_DEBUG: return "DEBUG: ";
        case LOG_INFO: return "INFO: ";
        case LOG_WARNING: return "WARNING: ";
        case LOG_ERROR: return "ERROR: ";
        case LOG_FATAL: return "FATAL: ";
        default: return "";
    }
}

}  // namespace

namespace rlp {
bool LogEnabled(int level) { return level >= g_logLevel; }
}  // namespace rlp

extern "C" {

void SetTraceLogLevel(int logLevel) { g_logLevel = logLevel; }

void SetTraceLogCallback(TraceLogCallback callback) { g_logCallback = LogCallback{callback}; }

void TraceLog(int logLevel, const char *text, ...)
{
    if (!rlp::LogEnabled(logLevel) || text == nullptr) return;
    va_list args;
    va_start(args, text);
    if (const TraceLogCallback callback = g_logCallback.load().call) {
        callback(logLevel, text, args);
        va_end(args);
        return;
    }
    std::fputs(levelPrefix(logLevel), stdout);
    std::vfprintf(stdout, text, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (logLevel == LOG_FATAL) std::exit(EXIT_FAILURE);
}

void SetRandomSeed(unsigned int seed) { g_random.seed(seed); }

int GetRandomValue(int min, int max)
{
    if (min > max) {
        int tmp = max;
        max = min;
        min = tmp;
    }
    // As raylib: the draw modulo |max - min| + 1, in 32-bit unsigned
    // arithmetic, the difference wrapping as two's complement would (so the
    // full int range, which raylib leaves undefined, gives a number and never traps).
    const uint32_t difference = uint32_t(max) - uint32_t(min);
    const uint32_t magnitude = int32_t(difference) < 0 ? 0u - difference : difference;
    return int(g_random.next() % (magnitude + 1u) + uint32_t(min));
}

}  // extern "C"
