#include "sim/SimRandom.h"

SimRandom SimRandom::level;

void SimRandom::seed(unsigned int seed)
{
    // glibc fills the words with the "minimal standard" generator, 16807 x mod
    // (2^31 - 1) by Schrage's method in 32-bit signed words, a seed of 0 counting as 1.
    int32_t word = seed == 0 ? 1 : int32_t(seed);
    state[0] = word;
    for (int i = 1; i < 31; ++i) {
        const int32_t hi = word / 127773, lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) word += 2147483647;
        state[i] = word;
    }
    // The first draw makes r[34] = r[31] + r[3], and r[31] is r[0] again.
    front = 3;
    // Then it throws the first 310 draws away, so that the seed's pattern is gone.
    for (int i = 0; i < 310; ++i)
        next();
}

int SimRandom::next()
{
    // r[i] = r[i - 31] + r[i - 3], modulo 2^32; the draw is its top 31 bits.
    // With 31 words in a ring, r[i - 31] is the word replaced and r[i - 3]
    // sits 28 places on.
    const uint32_t sum = uint32_t(state[front]) + uint32_t(state[(front + 28) % 31]);
    state[front] = int32_t(sum);
    front = (front + 1) % 31;
    return int(sum >> 1);
}
