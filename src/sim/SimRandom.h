#pragma once

#include <cstdint>

// The level's rand(): the game's own generator, so that a seed draws the same
// numbers on every build. It gives exactly the sequence of glibc's srand and
// rand (the additive feedback generator of 31 words that glibc seeds by
// default), so the desktop plays as it always has, and a build on another C
// library (the page's, Windows') plays the same.
class SimRandom {
public:
    static constexpr int kMax = 2147483647;  // glibc's RAND_MAX

    // One generator for the whole level, as the C library's is; the level seeds it.
    static SimRandom level;

    int32_t state[31] = {};
    int front = 0;  // the word the next draw replaces

    SimRandom() { seed(1); }
    void seed(unsigned int seed);
    // 0 to kMax, as rand().
    int next();
};
