// The mix's limiter: quiet play passes untouched but for the delay, loud
// moments are held under the ceiling without a step in the gain, the gain
// comes back, and the record tells how deep it went.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "mix/MixLimiter.h"

namespace {

constexpr int kRate = 44100;

// The loudest sample from `from` to `to` seconds of interleaved stereo.
float Peak(const std::vector<float> &s, double from, double to)
{
    const auto first = s.begin() + std::ptrdiff_t(from * kRate) * 2, last = s.begin() + std::ptrdiff_t(to * kRate) * 2;
    return std::fabs(*std::max_element(first, last, [](float a, float b) { return std::fabs(a) < std::fabs(b); }));
}

TEST(MixLimiter, HoldsLoudMomentsUnderTheCeilingSmoothlyAndLeavesTheRestAlone)
{
    const struct {
        float burst;         // the tone's level from 0.5 to 0.7 s; 0.5 elsewhere
        unsigned int block;  // frames handed over at a time, as an audio thread would
    } cases[] = {{0.5f, 441}, {2.0f, 441}, {10.0f, 97}, {0.95f, 1}};
    for (const auto &c : cases) {
        std::vector<float> in(2 * 2 * kRate);
        for (std::size_t f = 0; f < in.size() / 2; ++f) {
            const double t = double(f) / kRate;
            in[2 * f] = (t >= 0.5 && t < 0.7 ? c.burst : 0.5f) * float(std::sin(2 * std::numbers::pi * 440 * t));
            in[2 * f + 1] = -in[2 * f];
        }
        MixLimiter limiter;
        limiter.keepRecord(2.0);
        std::vector<float> out = in;
        for (std::size_t f = 0; f < out.size() / 2; f += c.block)
            limiter.process(out.data() + 2 * f, unsigned(std::min<std::size_t>(c.block, out.size() / 2 - f)));

        const float over = std::max(c.burst / MixLimiter::kCeiling, 1.0f);
        EXPECT_LE(Peak(out, 0.0, 2.0), MixLimiter::kCeiling) << c.burst;
        EXPECT_NEAR(Peak(out, 0.5, 0.7), c.burst / over, 0.05f) << c.burst << ": turned down, not off";
        EXPECT_NEAR(Peak(out, 1.5, 2.0), 0.5f, 0.01f) << c.burst << ": back to full gain";
        float jump = 0.0f;  // a hard clip would jump by 0.7 at the burst's start
        for (std::size_t i = 2; i < out.size(); i += 2)
            jump = std::max(jump, std::fabs(out[i] - out[i - 2]));
        EXPECT_LT(jump, 0.08f) << c.burst;
        if (c.burst <= MixLimiter::kCeiling) {
            for (std::size_t i = 0; i + 2 * MixLimiter::kLookahead < in.size(); ++i)
                ASSERT_FLOAT_EQ(out[i + 2 * MixLimiter::kLookahead], in[i]) << "only delayed, sample " << i;
        }
        const auto deepest = std::max_element(limiter.record.begin(), limiter.record.end(),
                                              [](auto a, auto b) { return a.reductionDb < b.reductionDb; });
        EXPECT_NEAR(deepest->reductionDb, 20.0f * std::log10(over), 0.2f) << c.burst;
        EXPECT_NEAR(deepest->peakDb, 20.0f * std::log10(std::max(c.burst, 0.5f)), 0.1f) << c.burst;
    }
}

// The gain itself, read off a held level (output over the delayed input):
// it glides down to a burst over the look-ahead in equal small steps, never
// all at once, and comes back no faster than its release.
TEST(MixLimiter, TheGainGlidesDownOverTheLookaheadAndBackOverTheRelease)
{
    const float quiet = 0.5f, loud = 2.0f;
    std::vector<float> in(2 * kRate, quiet);
    std::fill(in.begin() + 2 * 10000, in.begin() + 2 * 15000, loud);
    MixLimiter limiter;
    std::vector<float> out = in;
    limiter.process(out.data(), unsigned(out.size() / 2));
    const int delay = MixLimiter::kLookahead;
    std::vector<float> gain;
    for (std::size_t f = 0; f + delay < in.size() / 2; ++f)
        gain.push_back(out[2 * (f + delay)] / in[2 * f]);
    const float target = MixLimiter::kCeiling / loud;
    EXPECT_NEAR(*std::min_element(gain.begin(), gain.end()), target, 1e-4f);
    float down = 0.0f, up = 0.0f;
    for (std::size_t f = 1; f < gain.size(); ++f) {
        down = std::max(down, gain[f - 1] - gain[f]);
        up = std::max(up, gain[f] - gain[f - 1]);
    }
    EXPECT_LE(down, (1.0f - target) / float(delay) * 1.01f) << "the fall is spread over the look-ahead";
    EXPECT_GT(down, 0.0f);
    EXPECT_LE(up, 1.0f / MixLimiter::kReleaseFrames * 1.01f) << "the release is no faster than its time";
    EXPECT_GT(up, 0.0f);
    EXPECT_NEAR(gain.back(), 1.0f, 0.005f) << "back to full gain within the second";
}

}  // namespace
