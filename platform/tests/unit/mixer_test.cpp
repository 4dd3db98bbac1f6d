// The mixer on its own, without a device: what one voice adds to a period.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <vector>

#include "audio_internal.h"

namespace {

using rlp::audio::MixRegistered;
using rlp::audio::MixVoice;

rAudioBuffer SoundVoice(std::vector<short> pcm, int channels, int rate)
{
    rAudioBuffer voice;
    voice.pcm = std::move(pcm);
    voice.channels = channels;
    voice.sampleRate = rate;
    voice.playing = true;
    return voice;
}

// A centred voice plays at 0.6875 of its level on each side.
constexpr float kCentre = 0.6875f;

TEST(Mixer, SoundsAreConvertedToStereoAtTheDeviceRate)
{
    const float q = kCentre / 32768.0f;
    const struct {
        const char *what;
        std::vector<short> pcm;
        int channels, rate;
        float volume;
        std::vector<float> expected;  // left, right per device frame
    } cases[] = {
        {"mono goes to both sides", {16384, -8192}, 1, 44100, 1.0f, {16384 * q, 16384 * q, -8192 * q, -8192 * q, 0, 0}},
        {"stereo keeps its sides",
         {100, -100, 200, -200},
         2,
         44100,
         1.0f,
         {100 * q, -100 * q, 200 * q, -200 * q, 0, 0}},
        {"half the rate interpolates between frames",
         {0, 1000, 2000},
         1,
         22050,
         1.0f,
         {0, 0, 500 * q, 500 * q, 1000 * q, 1000 * q}},
        {"the volume scales", {20000}, 1, 44100, 0.25f, {5000 * q, 5000 * q, 0, 0, 0, 0}},
    };
    for (const auto &c : cases) {
        rAudioBuffer voice = SoundVoice(c.pcm, c.channels, c.rate);
        voice.volume = c.volume;
        std::vector<float> out(6, 0.0f);
        MixVoice(voice, out.data(), 3);
        for (std::size_t i = 0; i < out.size(); ++i)
            EXPECT_FLOAT_EQ(out[i], c.expected[i]) << c.what << ", sample " << i;
    }
}

TEST(Mixer, ASoundStopsAtItsEndAndAPausedOrStoppedOneAddsNothing)
{
    rAudioBuffer voice = SoundVoice({1000, 1000}, 1, 44100);
    std::vector<float> out(8, 0.5f);
    MixVoice(voice, out.data(), 4);
    EXPECT_FALSE(voice.playing);
    EXPECT_EQ(voice.cursor, 0.0);
    EXPECT_FLOAT_EQ(out[6], 0.5f) << "nothing after the end";

    voice.playing = true;
    voice.paused = true;
    std::vector<float> silent(4, 0.0f);
    MixVoice(voice, silent.data(), 2);
    voice.paused = false;
    voice.playing = false;
    MixVoice(voice, silent.data(), 2);
    EXPECT_EQ(silent, std::vector<float>(4, 0.0f));
}

TEST(Mixer, AStreamPlaysAcrossItsChunksThenWaitsSilentWhenDry)
{
    rAudioBuffer voice;
    voice.channels = 1;
    voice.sampleRate = 44100;
    voice.playing = true;
    voice.stream = std::make_unique<rlp::audio::StreamState>();
    auto &s = *voice.stream;
    // Two queued chunks of two frames from decoder frames 10 and 12.
    s.chunks[0] = {{1, 2}, 10, 2};
    s.chunks[1] = {{3, 4}, 12, 2};
    s.count = 2;

    std::vector<float> out(6, 0.0f);
    MixVoice(voice, out.data(), 3);
    EXPECT_FLOAT_EQ(out[4] * 32768.0f, 3.0f * kCentre) << "the third frame comes from the second chunk";
    EXPECT_EQ(s.count, 1) << "the first chunk is handed back";
    EXPECT_EQ(s.heardEnd, 12u);

    std::vector<float> more(6, 0.0f);
    MixVoice(voice, more.data(), 3);
    EXPECT_FLOAT_EQ(more[0] * 32768.0f, 4.0f * kCentre);
    EXPECT_FLOAT_EQ(more[2], 0.0f) << "dry: silence, not a repeat";
    EXPECT_EQ(s.count, 0);
    EXPECT_EQ(s.heardEnd, 14u);
    EXPECT_TRUE(voice.playing) << "a dry stream waits to be fed";
}

TEST(Mixer, ThePanLawSetsEachSidesLevel)
{
    const struct {
        float pan, left, right;
    } cases[] = {{0.0f, 0.0f, 1.0f}, {0.5f, kCentre, kCentre}, {1.0f, 1.0f, 0.0f}};
    for (const auto &c : cases) {
        rAudioBuffer voice = SoundVoice({16384}, 1, 44100);
        voice.pan = c.pan;
        std::vector<float> out(2, 0.0f);
        MixVoice(voice, out.data(), 1);
        EXPECT_FLOAT_EQ(out[0], 0.5f * c.left) << "left at pan " << c.pan;
        EXPECT_FLOAT_EQ(out[1], 0.5f * c.right) << "right at pan " << c.pan;
    }
}

// What the processor saw, for the test below.
std::vector<float> seen;
void Halve(void *data, unsigned int frames)
{
    float *samples = static_cast<float *>(data);
    seen.assign(samples, samples + 2 * frames);
    for (unsigned int i = 0; i < 2 * frames; ++i)
        samples[i] *= 0.5f;
}

TEST(Mixer, AMixedProcessorSeesTheSumOfEveryVoiceAndMayChangeIt)
{
    rAudioBuffer a = SoundVoice({8000, 8000}, 1, 44100), b = SoundVoice({-2000, 4000, -2000, 4000}, 2, 44100);
    rlp::audio::Register(&a);
    rlp::audio::Register(&b);
    AttachAudioMixedProcessor(Halve);
    std::vector<float> out(4, 0.0f);
    {
        std::lock_guard<std::mutex> hold(rlp::audio::Lock());
        MixRegistered(out.data(), 2);
    }
    DetachAudioMixedProcessor(Halve);
    const float left = 6000.0f * kCentre / 32768.0f, right = 12000.0f * kCentre / 32768.0f;
    EXPECT_EQ(seen.size(), 4u);
    for (int i = 0; i < 4; i += 2) {
        EXPECT_FLOAT_EQ(seen[i], left);
        EXPECT_FLOAT_EQ(seen[i + 1], right);
        EXPECT_FLOAT_EQ(out[i], left / 2) << "changed in place";
    }
    seen.clear();
    std::fill(out.begin(), out.end(), 0.0f);
    a.playing = true;
    {
        std::lock_guard<std::mutex> hold(rlp::audio::Lock());
        MixRegistered(out.data(), 1);
    }
    EXPECT_TRUE(seen.empty()) << "detached";
    rlp::audio::Unregister(&a);
    rlp::audio::Unregister(&b);
}

}  // namespace
