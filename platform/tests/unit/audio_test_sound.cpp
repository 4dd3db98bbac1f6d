// Sounds on a live output: one voice each, that plays, restarts and stops.
#include "audio_test_helpers.h"

namespace {

using namespace audio_test;

// Playback tests on a consuming output; unloads every sound it made.
class AudioSound : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(EnsureDevice(true)); }
    void TearDown() override
    {
        for (const Sound &sound : loaded)
            UnloadSound(sound);
    }

    // A mono 44100 Hz tone of `frames` frames.
    Sound Tone(int frames)
    {
        const std::string path = dir.File("tone" + std::to_string(loaded.size()) + ".wav");
        WriteToneWav(path, frames);
        loaded.push_back(LoadSound(path.c_str()));
        EXPECT_TRUE(IsSoundValid(loaded.back()));
        return loaded.back();
    }

    TempDir dir;
    std::vector<Sound> loaded;
};

TEST_F(AudioSound, PlayStartsTheVoiceAndItStopsOnItsOwnAtTheEnd)
{
    const Sound sound = Tone(4410);  // 0.1 s
    ASSERT_TRUE(IsSoundValid(sound));
    EXPECT_FALSE(IsSoundPlaying(sound));
    PlaySound(sound);
    EXPECT_TRUE(IsSoundPlaying(sound));
    int furthest = 0;
    const bool ended = WaitFor(
        [&] {
            furthest = std::max(furthest, SoundOffset(sound));
            return !IsSoundPlaying(sound);
        },
        3.0);
    EXPECT_TRUE(ended) << "a 0.1 s sound still playing after 3 s";
    EXPECT_GT(furthest, 0) << "the voice never moved";
}

TEST_F(AudioSound, PlayingAgainRestartsFromTheBeginning)
{
    const Sound sound = Tone(44100);
    ASSERT_TRUE(IsSoundValid(sound));
    PlaySound(sound);
    ASSERT_TRUE(WaitFor([&] { return SoundOffset(sound) > 13230; }, 3.0)) << "never reached 0.3 s";
    PlaySound(sound);
    EXPECT_TRUE(IsSoundPlaying(sound));
    // Back at the start, give or take one mixing period of the device.
    EXPECT_LT(SoundOffset(sound), 4410);
}

TEST_F(AudioSound, StopSilencesAtOnceAndPlayStartsOver)
{
    const Sound sound = Tone(44100);
    ASSERT_TRUE(IsSoundValid(sound));
    StopSound(sound);  // stopping a sound that never played does nothing
    EXPECT_FALSE(IsSoundPlaying(sound));
    PlaySound(sound);
    ASSERT_TRUE(WaitFor([&] { return SoundOffset(sound) > 0; }, 3.0));
    StopSound(sound);
    EXPECT_FALSE(IsSoundPlaying(sound));
    EXPECT_EQ(SoundOffset(sound), 0);
    SleepMs(50);
    EXPECT_FALSE(IsSoundPlaying(sound));
    PlaySound(sound);
    EXPECT_TRUE(IsSoundPlaying(sound));
    EXPECT_LT(SoundOffset(sound), 4410);
}

TEST_F(AudioSound, EachSoundIsItsOwnVoiceEvenFromTheSameFile)
{
    const std::string path = dir.File("shared.wav");
    WriteToneWav(path, 44100);
    loaded.push_back(LoadSound(path.c_str()));
    loaded.push_back(LoadSound(path.c_str()));
    const Sound a = loaded[0], b = loaded[1];
    ASSERT_TRUE(IsSoundValid(a));
    ASSERT_TRUE(IsSoundValid(b));
    EXPECT_NE(a.stream.buffer, b.stream.buffer);
    PlaySound(a);
    PlaySound(b);
    EXPECT_TRUE(IsSoundPlaying(a));
    EXPECT_TRUE(IsSoundPlaying(b));
    StopSound(a);
    EXPECT_FALSE(IsSoundPlaying(a));
    EXPECT_TRUE(IsSoundPlaying(b));
    // Stopping through a copy of the handle stops the same voice.
    const Sound copyOfB = b;
    StopSound(copyOfB);
    EXPECT_FALSE(IsSoundPlaying(b));
}

TEST_F(AudioSound, Mp3SoundPlaysThroughToItsEnd)
{
    loaded.push_back(LoadSound(kMp3.c_str()));
    const Sound sound = loaded.back();
    ASSERT_TRUE(IsSoundValid(sound));
    PlaySound(sound);
    ASSERT_TRUE(WaitFor([&] { return SoundOffset(sound) > 4410; }, 3.0));
    EXPECT_TRUE(IsSoundPlaying(sound));
    StopSound(sound);
    EXPECT_FALSE(IsSoundPlaying(sound));
}

}  // namespace
