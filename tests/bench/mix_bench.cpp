// The mix limiter's cost on the audio thread: one second of a loud stereo mix
// at 44.1 kHz, handed over in the device's 10-ms blocks.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "mix/MixLimiter.h"

namespace {

void BM_LimitOneSecondOfMix(benchmark::State &state)
{
    constexpr int kRate = 44100, kBlock = 441;
    std::vector<float> mix(2 * kRate);
    for (int f = 0; f < kRate; ++f)
        mix[2 * f] = mix[2 * f + 1] = 1.5f * std::sin(float(f) * 0.0627f) * std::sin(float(f) * 0.0003f);
    MixLimiter limiter;
    std::vector<float> block(2 * kBlock);
    for (auto _ : state) {
        for (int f = 0; f < kRate; f += kBlock) {
            std::copy(mix.begin() + 2 * f, mix.begin() + 2 * (f + kBlock), block.begin());
            limiter.process(block.data(), kBlock);
        }
        benchmark::DoNotOptimize(block.data());
    }
}
BENCHMARK(BM_LimitOneSecondOfMix)->Unit(benchmark::kMillisecond);

}  // namespace
