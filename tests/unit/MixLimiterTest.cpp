// The mix's limiter: quiet play passes untouched, loud moments are held under
// the ceiling without a step in the gain, and the gain comes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "mix/MixLimiter.h"

namespace {

constexpr int kRate = 44100;

// Interleaved stereo: a 440 Hz tone at `level`, with `burst` from `from` to `to` seconds.
std::vector<float> Tone(double seconds, float level, float burst = 0.0f, double from = 0.0, double to = 0.0)
{
    std::vector<float> samples(std::size_t(seconds * kRate) * 2);
    for (std::size_t f = 0; f < samples.size() / 2; ++f) {
        const double t = double(f) / kRate;
        const float a = (t >= from && t < to) ? burst : level;
        samples[2 * f] = a * float(std::sin(2 * std::numbers::pi * 440 * t));
        samples[2 * f + 1] = -samples[2 * f];
    }
    return samples;
}

// The limiter's output for `in`, handed over in blocks of `block` frames as an audio thread would.
std::vector<float> Limit(std::vector<float> in, unsigned int block)
{
    MixLimiter limiter;
    for (std::size_t f = 0; f < in.size() / 2; f += block)
        limiter.process(in.data() + 2 * f, unsigned(std::min<std::size_t>(block, in.size() / 2 - f)));
    return in;
}

float Peak(const std::vector<float> &s, double from, double to)
{
    float top = 0.0f;
    for (std::size_t i = std::size_t(from * kRate) * 2; i < std::size_t(to * kRate) * 2 && i < s.size(); ++i)
        top = std::max(top, std::fabs(s[i]));
    return top;
}

TEST(MixLimiter, QuietPlayPassesUntouchedOnlyDelayed)
{
    const std::vector<float> in = Tone(0.5, 0.8f);
    const std::vector<float> out = Limit(in, 441);
    for (std::size_t i = 0; i + 2 * MixLimiter::kLookahead < in.size(); ++i)
        ASSERT_FLOAT_EQ(out[i + 2 * MixLimiter::kLookahead], in[i]) << "sample " << i;
}

TEST(MixLimiter, LoudMomentsStayUnderTheCeilingAndTheGainComesBack)
{
    const struct {
        const char *what;
        float burst;
        unsigned int block;
    } cases[] = {
        {"twice full scale, the device's blocks", 2.0f, 441},
        {"ten times, odd blocks", 10.0f, 97},
        {"just over the ceiling, one frame at a time", 0.95f, 1},
    };
    for (const auto &c : cases) {
        const std::vector<float> out = Limit(Tone(2.0, 0.5f, c.burst, 0.5, 0.7), c.block);
        EXPECT_LE(Peak(out, 0.0, 2.0), MixLimiter::kCeiling) << c.what;
        EXPECT_GT(Peak(out, 0.5, 0.7), 0.9f * MixLimiter::kCeiling) << c.what << ": turned down, not off";
        EXPECT_NEAR(Peak(out, 0.3, 0.5), 0.5f, 0.01f) << c.what << ": nothing before the burst but the glide";
        EXPECT_NEAR(Peak(out, 1.5, 2.0), 0.5f, 0.01f) << c.what << ": back to full gain";
        // No step: from one frame to the next the gain moves by little,
        // which shows as the output of a tone never jumping.
        float jump = 0.0f;
        for (std::size_t i = 2; i < out.size(); i += 2)
            jump = std::max(jump, std::fabs(out[i] - out[i - 2]));
        EXPECT_LT(jump, 0.08f) << c.what;  // a hard clip would jump by 0.7
    }
}

TEST(MixLimiter, KeepsARecordOfItsGainReduction)
{
    MixLimiter limiter;
    limiter.keepRecord(1.0);
    std::vector<float> in = Tone(0.5, 0.5f, 2.0f, 0.2, 0.3);
    limiter.process(in.data(), unsigned(in.size() / 2));
    ASSERT_EQ(limiter.record.size(), in.size() / 2 / MixLimiter::kRecordFrames);
    const auto deepest = std::max_element(limiter.record.begin(), limiter.record.end(),
                                          [](auto a, auto b) { return a.reductionDb < b.reductionDb; });
    EXPECT_NEAR(deepest->reductionDb, 20.0f * std::log10(2.0f / MixLimiter::kCeiling), 0.2f);
    EXPECT_NEAR(deepest->peakDb, 20.0f * std::log10(2.0f), 0.1f) << "the mix's peak as it came in";
    EXPECT_FLOAT_EQ(limiter.record.front().reductionDb, 0.0f);
}

}  // namespace
