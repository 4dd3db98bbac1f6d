// The audio device's life cycle, running without any output device, and the
// zeroed handles given for files that cannot be used.
#include <cstdlib>
#include <random>

#include "audio_test_helpers.h"

namespace {

using namespace audio_test;

bool IsZero(const Sound &s)
{
    return s.stream.buffer == nullptr && s.stream.processor == nullptr && s.stream.sampleRate == 0 &&
           s.stream.sampleSize == 0 && s.stream.channels == 0 && s.frameCount == 0;
}

bool IsZero(const Music &m)
{
    return m.stream.buffer == nullptr && m.stream.processor == nullptr && m.stream.sampleRate == 0 &&
           m.stream.sampleSize == 0 && m.stream.channels == 0 && m.frameCount == 0 && !m.looping && m.ctxType == 0 &&
           m.ctxData == nullptr;
}

// Every call on the handles, none of which may crash or print anything.
void ExerciseSound(const Sound &sound)
{
    PlaySound(sound);
    StopSound(sound);
    EXPECT_FALSE(IsSoundPlaying(sound));
    EXPECT_FALSE(IsSoundValid(sound));
    UnloadSound(sound);
}

void ExerciseMusic(const Music &music)
{
    PlayMusicStream(music);
    UpdateMusicStream(music);
    EXPECT_FALSE(IsMusicStreamPlaying(music));
    PauseMusicStream(music);
    ResumeMusicStream(music);
    StopMusicStream(music);
    EXPECT_EQ(GetMusicTimePlayed(music), 0.0f);
    EXPECT_FALSE(IsMusicValid(music));
    UnloadMusicStream(music);
}

// Tests that need the output open but not yet consuming samples.
class AudioDevice : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(EnsureDevice(false)); }
};

TEST_F(AudioDevice, SecondInitWarnsOnceAndKeepsTheDevice)
{
    const auto lines = LogLinesFrom([] { InitAudioDevice(); });
    ASSERT_EQ(Warnings(lines).size(), 1u);
    EXPECT_EQ(Warnings(lines)[0], "WARNING: AUDIO: Device already initialized");
    EXPECT_TRUE(IsAudioDeviceReady());
}

TEST_F(AudioDevice, HandlesOutliveACloseSilentlyAndTheDeviceReopens)
{
    TempDir dir;
    const std::string wav = dir.File("tone.wav");
    WriteToneWav(wav, 22050);
    Sound sound = LoadSound(wav.c_str());
    Music music = LoadMusicStream(wav.c_str());
    ASSERT_TRUE(IsSoundValid(sound));
    ASSERT_TRUE(IsMusicValid(music));
    PlaySound(sound);
    PlayMusicStream(music);
    Feed(music, 0.05);

    const auto lines = LogLinesFrom([&] {
        CloseAudioDevice();
        CloseAudioDevice();  // a second close has nothing to do
        EXPECT_FALSE(IsAudioDeviceReady());
        EXPECT_TRUE(IsSoundValid(sound));  // still loaded, as in raylib
        EXPECT_TRUE(IsMusicValid(music));
        PlaySound(sound);
        EXPECT_FALSE(IsSoundPlaying(sound));
        PlayMusicStream(music);
        UpdateMusicStream(music);
        EXPECT_FALSE(IsMusicStreamPlaying(music));
        EXPECT_EQ(GetMusicTimePlayed(music), 0.0f);
        EXPECT_TRUE(IsZero(LoadSound(wav.c_str())));
        EXPECT_TRUE(IsZero(LoadMusicStream(wav.c_str())));
    });
    EXPECT_TRUE(Warnings(lines).empty()) << Warnings(lines)[0];

    InitAudioDevice();
    DeviceWarm() = false;
    ASSERT_TRUE(IsAudioDeviceReady());
    Sound again = LoadSound(wav.c_str());
    ASSERT_TRUE(IsSoundValid(again));
    // The old handles play on the new device, as raylib's do, and freeing
    // them must not touch the new sound's voice.
    PlaySound(sound);
    EXPECT_TRUE(IsSoundPlaying(sound));
    PlayMusicStream(music);
    EXPECT_TRUE(IsMusicStreamPlaying(music));
    UnloadSound(sound);
    UnloadMusicStream(music);
    PlaySound(again);
    EXPECT_TRUE(IsSoundPlaying(again));
    UnloadSound(again);
}

// Every call made while InitAudioDevice cannot open an output; true when all
// behaved, each fault described on standard error.
bool BehavesWithoutDevice()
{
    TempDir dir;
    // ALSA's default device fails to open too, whatever cards the machine has.
    WriteBytes(dir.File(".asoundrc"), "pcm.!default { type hw card 57 }\n");
    setenv("HOME", dir.File("").c_str(), 1);
    const std::string wav = dir.File("tone.wav");
    WriteToneWav(wav, 4410);
    int failures = 0;
    auto check = [&failures](bool ok, const char *what) {
        if (!ok) {
            std::fprintf(stderr, "failed: %s\n", what);
            ++failures;
        }
    };
    std::vector<std::string> beforeInit, fromInit, afterInit;
    beforeInit = LogLinesFrom([&] {
        check(!IsAudioDeviceReady(), "not ready before InitAudioDevice");
        check(IsZero(LoadSound(wav.c_str())), "LoadSound before init gives a zeroed sound");
        check(IsZero(LoadMusicStream(wav.c_str())), "LoadMusicStream before init gives a zeroed music");
        CloseAudioDevice();
    });
    fromInit = LogLinesFrom([] { InitAudioDevice(); });
    afterInit = LogLinesFrom([&] {
        check(!IsAudioDeviceReady(), "not ready after a failed InitAudioDevice");
        const Sound sound = LoadSound(wav.c_str());
        const Music music = LoadMusicStream(wav.c_str());
        check(IsZero(sound), "LoadSound without device gives a zeroed sound");
        check(IsZero(music), "LoadMusicStream without device gives a zeroed music");
        ExerciseSound(sound);
        ExerciseMusic(music);
        check(GetMusicTimeLength(music) == 0.0f, "zero length");
        CloseAudioDevice();
    });
    check(beforeInit.empty(), "nothing logged before InitAudioDevice");
    check(Warnings(fromInit).size() == 1, "exactly one warning from InitAudioDevice");
    check(!fromInit.empty() && fromInit[0] == "WARNING: AUDIO: Failed to initialize playback device",
          "the warning says the device failed");
    check(afterInit.empty(), "every later call is silent");
    for (const std::string &line : beforeInit)
        std::fprintf(stderr, "unexpected: %s\n", line.c_str());
    for (const std::string &line : afterInit)
        std::fprintf(stderr, "unexpected: %s\n", line.c_str());
    return failures == 0 && !testing::Test::HasFailure();
}

// In a child process, PulseAudio is pointed at a server that does not exist
// and ALSA at a card that does not, so InitAudioDevice fails.
[[noreturn]] void RunWithoutDevice()
{
    setenv("PULSE_SERVER", "unix:/nonexistent/tallowfen-no-server", 1);
    const bool ok = BehavesWithoutDevice();
    std::fflush(stderr);
    std::exit(ok ? 0 : 1);
}

TEST(AudioNoDevice, EveryCallIsASilentNoOpAndTheProgramRunsOn)
{
    // A fresh process, so PulseAudio reads the environment anew.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(RunWithoutDevice(), testing::ExitedWithCode(0), "");
}

// Loads, plays and closes the device without unloading anything. Its
// handles die with its frame, so nothing on the stack still points at them.
[[gnu::noinline]] bool LoadPlayAndCloseWithoutUnloading()
{
    InitAudioDevice();
    TempDir dir;
    const std::string wav = dir.File("tone.wav");
    WriteToneWav(wav, 4410);
    const Sound sound = LoadSound(wav.c_str());
    const Music music = LoadMusicStream(wav.c_str());
    PlaySound(sound);
    PlayMusicStream(music);
    UpdateMusicStream(music);
    CloseAudioDevice();
    return IsSoundValid(sound) && IsMusicValid(music);
}

// Under LeakSanitizer a leak at exit would make the exit code non-zero.
[[noreturn]] void ExitWithoutUnloading() { std::exit(LoadPlayAndCloseWithoutUnloading() ? 0 : 1); }

TEST(AudioExit, HandlesLeftLoadedAtExitAreNotLeaked)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ExitWithoutUnloading(), testing::ExitedWithCode(0), "");
}

TEST_F(AudioDevice, ZeroedAndForgedHandlesAreSilentNoOps)
{
    rAudioBuffer *forged = reinterpret_cast<rAudioBuffer *>(&forged);  // never loaded
    Sound fakeSound{};
    fakeSound.stream.buffer = forged;
    fakeSound.frameCount = 100;
    fakeSound.stream.sampleRate = 44100;
    fakeSound.stream.sampleSize = 16;
    fakeSound.stream.channels = 1;
    Music fakeMusic{};
    fakeMusic.stream = fakeSound.stream;
    fakeMusic.frameCount = 100;
    fakeMusic.ctxData = &fakeMusic;

    const auto lines = LogLinesFrom([&] {
        ExerciseSound(Sound{});
        ExerciseMusic(Music{});
        ExerciseSound(fakeSound);
        ExerciseMusic(fakeMusic);
        EXPECT_EQ(GetMusicTimeLength(Music{}), 0.0f);
    });
    EXPECT_TRUE(lines.empty()) << lines[0];
}

TEST_F(AudioDevice, UnloadedCopiesAndCrossedHandlesAreRejected)
{
    TempDir dir;
    const std::string wav = dir.File("tone.wav");
    WriteToneWav(wav, 4410);
    const Sound sound = LoadSound(wav.c_str());
    const Music music = LoadMusicStream(wav.c_str());
    ASSERT_TRUE(IsSoundValid(sound));
    ASSERT_TRUE(IsMusicValid(music));

    // A Music built from a Sound's stream, and a Sound from a Music's.
    Music crossedMusic = music;
    crossedMusic.stream = sound.stream;
    Sound crossedSound = sound;
    crossedSound.stream = music.stream;
    EXPECT_FALSE(IsMusicValid(crossedMusic));
    EXPECT_FALSE(IsSoundValid(crossedSound));
    PlayMusicStream(crossedMusic);
    UnloadMusicStream(crossedMusic);
    UnloadSound(crossedSound);
    EXPECT_FALSE(IsSoundPlaying(sound));
    EXPECT_TRUE(IsSoundValid(sound));
    EXPECT_TRUE(IsMusicValid(music));

    const Sound soundCopy = sound;
    const Music musicCopy = music;
    UnloadSound(sound);
    UnloadMusicStream(music);
    // The copies now point at freed memory: they must not be touched.
    ExerciseSound(soundCopy);
    ExerciseMusic(musicCopy);
}

}  // namespace
