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
std::atomic<TraceLogCallback> g_logCallback{nullptr};

// xoshiro128** — raylib's generator, independent of the C library's rand().
struct Xoshiro128 {
    uint32_t s[4] = {0x9E3779B9u, 0x243F6A88u, 0xB7E15162u, 0x7F4A7C15u};

    static uint32_t rotl(uint32_t x, int k) { return (x << k) | (x >> (32 - k)); }

    void seed(uint64_t seed)
    {
        // splitmix64 spreads a small seed over the whole state.
        auto next = [&seed]() {
            uint64_t z = (seed += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            return z ^ (z >> 31);
        };
        uint64_t a = next(), b = next();
        s[0] = uint32_t(a);
        s[1] = uint32_t(a >> 32);
        s[2] = uint32_t(b);
        s[3] = uint32_t(b >> 32);
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

void SetTraceLogCallback(TraceLogCallback callback) { g_logCallback = callback; }

void TraceLog(int logLevel, const char *text, ...)
{
    if (!rlp::LogEnabled(logLevel) || text == nullptr) return;
    va_list args;
    va_start(args, text);
    if (const TraceLogCallback callback = g_logCallback.load()) {
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
    // The span is counted in 64 bits, since the full int range holds 2^32
    // values; every smaller span takes the cheaper 32-bit remainder, which
    // gives the same number.
    const uint64_t span = uint64_t(int64_t(max) - int64_t(min)) + 1;
    const uint32_t draw = g_random.next();
    const uint64_t offset = span > UINT32_MAX ? draw : draw % uint32_t(span);
    return int(int64_t(min) + int64_t(offset));
}

}  // extern "C"
