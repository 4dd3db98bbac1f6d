// Music and sound volume: the gain lands on the voice's own buffer.
#include <algorithm>

#include "audio_internal.h"
#include "audio_test_helpers.h"

namespace {

using namespace audio_test;

float Gain(const Music &music)
{
    std::lock_guard<std::mutex> hold(rlp::audio::Lock());
    return music.stream.buffer->volume;
}

TEST(MusicVolume, GainIsClampedToZeroToOneAndSurvivesPlayAndStop)
{
    ASSERT_NO_FATAL_FAILURE(EnsureDevice(false));
    TempDir dir;
    const std::string path = dir.File("volume.wav");
    WriteToneWav(path, 4410);
    const Music music = LoadMusicStream(path.c_str());
    const Music other = LoadMusicStream(path.c_str());
    ASSERT_TRUE(IsMusicValid(music));
    EXPECT_FLOAT_EQ(Gain(music), 1.0f);

    const struct {
        float asked, gain;
    } cases[] = {{0.25f, 0.25f}, {2.0f, 1.0f}, {-1.0f, 0.0f}, {0.5f, 0.5f}};
    for (const auto &c : cases) {
        SetMusicVolume(music, c.asked);
        EXPECT_FLOAT_EQ(Gain(music), c.gain) << "asked " << c.asked;
    }
    PlayMusicStream(music);
    UpdateMusicStream(music);
    StopMusicStream(music);
    EXPECT_FLOAT_EQ(Gain(music), 0.5f);
    EXPECT_FLOAT_EQ(Gain(other), 1.0f) << "each music has its own volume";

    UnloadMusicStream(music);
    SetMusicVolume(music, 0.1f);    // unloaded: ignored
    SetMusicVolume(Music{}, 0.1f);  // zeroed: ignored
    UnloadMusicStream(other);
}

TEST(MusicVolume, SoundGainIsClampedAndKeptAcrossPlays)
{
    ASSERT_NO_FATAL_FAILURE(EnsureDevice(false));
    TempDir dir;
    const std::string path = dir.File("effect.wav");
    WriteToneWav(path, 441);
    const Sound sound = LoadSound(path.c_str());
    ASSERT_TRUE(IsSoundValid(sound));
    const auto gain = [&] {
        std::lock_guard<std::mutex> hold(rlp::audio::Lock());
        return sound.stream.buffer->volume;
    };
    for (const float asked : {0.3f, 7.0f, -2.0f, 0.6f}) {
        SetSoundVolume(sound, asked);
        EXPECT_FLOAT_EQ(gain(), std::clamp(asked, 0.0f, 1.0f)) << "asked " << asked;
    }
    PlaySound(sound);
    StopSound(sound);
    EXPECT_FLOAT_EQ(gain(), 0.6f);
    UnloadSound(sound);
    SetSoundVolume(sound, 0.1f);  // unloaded: ignored
}

}  // namespace
