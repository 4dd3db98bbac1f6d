// Music streams on a live output: fed only by UpdateMusicStream, with the
// played time following what the device has consumed.
#include <dlfcn.h>

#include <atomic>
#include <cstddef>
#include <utility>

#include "audio_test_helpers.h"

namespace {

std::atomic<bool> g_countAllocations{false};
std::atomic<int> g_allocations{0};

using NewFunction = void *(*)(std::size_t);
static_assert(sizeof(std::size_t) == 8, "the replaced operator new is looked up as _Znwm");

// The operator new this file replaces: the sanitizer's or the C++ library's.
NewFunction NextOperatorNew()
{
    static const NewFunction next = reinterpret_cast<NewFunction>(dlsym(RTLD_NEXT, "_Znwm"));
    return next;
}

}  // namespace

// Counts C++ heap allocations while a test asks for it, then hands every
// request on unchanged, so deletes and sanitizer checks still match.
void *operator new(std::size_t size)
{
    if (g_countAllocations) ++g_allocations;
    return NextOperatorNew()(size);
}

namespace {

using namespace audio_test;

// Streaming tests on a consuming output; unloads every track it made.
class AudioMusic : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(EnsureDevice(true)); }
    void TearDown() override
    {
        for (const Music &music : loaded)
            UnloadMusicStream(music);
    }

    // A streamed mono 44100 Hz tone of `frames` frames.
    Music Track(int frames)
    {
        const std::string path = dir.File("track" + std::to_string(loaded.size()) + ".wav");
        WriteToneWav(path, frames);
        loaded.push_back(LoadMusicStream(path.c_str()));
        EXPECT_TRUE(IsMusicValid(loaded.back()));
        return loaded.back();
    }

    TempDir dir;
    std::vector<Music> loaded;
};

// Feeds the stream as a game loop would until `seconds` of it have played,
// however long a loaded machine takes to play them; false after 5 s.
bool FeedUntil(const Music &music, float seconds)
{
    return WaitFor(
        [&] {
            UpdateMusicStream(music);
            SleepMs(3);
            return GetMusicTimePlayed(music) >= seconds;
        },
        5.0);
}

// The time once the output has played all it was given: unchanged for 100 ms.
float Settled(const Music &music)
{
    float last = GetMusicTimePlayed(music);
    WaitFor(
        [&] {
            SleepMs(100);
            const float now = GetMusicTimePlayed(music);
            return std::exchange(last, now) == now;
        },
        5.0);
    return last;
}

TEST_F(AudioMusic, TimeIsZeroBeforeTheFirstPlayAndUpdatesAloneDoNotStartIt)
{
    const Music music = Track(44100);
    EXPECT_EQ(GetMusicTimePlayed(music), 0.0f);
    Feed(music, 0.1);
    EXPECT_FALSE(IsMusicStreamPlaying(music));
    EXPECT_EQ(GetMusicTimePlayed(music), 0.0f);
    const double played = Now();
    PlayMusicStream(music);
    EXPECT_TRUE(IsMusicStreamPlaying(music));
    EXPECT_LT(GetMusicTimePlayed(music), 0.05f);
    const bool started = WaitFor(
        [&] {
            UpdateMusicStream(music);
            return GetMusicTimePlayed(music) > 0.0f;
        },
        2.0);
    EXPECT_TRUE(started) << "a played and fed stream never advanced";
    std::printf("[ audio    ] first sample consumed %.0f ms after PlayMusicStream\n", (Now() - played) * 1000.0);
}

TEST_F(AudioMusic, TimeAdvancesOnlyWhileFed)
{
    const Music music = Track(2 * 44100);
    PlayMusicStream(music);
    // The time counts the samples played inside the current buffer as well,
    // so it is not always a whole number of buffers.
    const long chunkFrames = 44100 * rlp::audio::kStreamBufferMs / 1000;
    bool insideABuffer = false;
    const double start = Now();
    ASSERT_TRUE(WaitFor(
        [&] {
            UpdateMusicStream(music);
            insideABuffer |= std::lround(GetMusicTimePlayed(music) * 44100.0) % chunkFrames != 0;
            SleepMs(5);
            return GetMusicTimePlayed(music) >= 0.5f;
        },
        5.0))
        << "a fed stream stopped advancing";
    EXPECT_TRUE(insideABuffer);
    EXPECT_GE(Now() - start, 0.4) << "half a second played faster than it sounds";
    const float fed = GetMusicTimePlayed(music);

    // No updates: only what was already queued can play, then the time stands.
    const float drained = Settled(music);
    EXPECT_GE(drained, fed);
    EXPECT_LE(drained - fed, 0.1f) << "more than the buffers in flight played unfed";
    SleepMs(200);
    EXPECT_EQ(GetMusicTimePlayed(music), drained) << "time moved on without updates";
    EXPECT_TRUE(IsMusicStreamPlaying(music)) << "a starved stream is still playing";

    // Feeding again carries on from where it fell silent.
    EXPECT_TRUE(FeedUntil(music, drained + 0.2f)) << "a refed stream did not carry on";
    std::printf("[ audio    ] fed to %.3f s; unfed it played on to %.3f s\n", fed, drained);
}

TEST_F(AudioMusic, PauseKeepsThePositionAndResumeContinuesFromIt)
{
    const Music music = Track(2 * 44100);
    PlayMusicStream(music);
    ASSERT_TRUE(FeedUntil(music, 0.3f));
    PauseMusicStream(music);
    EXPECT_FALSE(IsMusicStreamPlaying(music));
    const float paused = GetMusicTimePlayed(music);
    Feed(music, 0.2);  // updates while paused change nothing
    EXPECT_EQ(GetMusicTimePlayed(music), paused);
    EXPECT_FALSE(IsMusicStreamPlaying(music));

    ResumeMusicStream(music);
    EXPECT_TRUE(IsMusicStreamPlaying(music));
    UpdateMusicStream(music);
    EXPECT_GE(GetMusicTimePlayed(music), paused) << "resumed from the start rather than where it stood";
    EXPECT_TRUE(FeedUntil(music, paused + 0.1f)) << "resumed, it did not carry on";
    const float resumed = GetMusicTimePlayed(music);

    // Play on a paused stream also continues rather than rewinding.
    PauseMusicStream(music);
    PlayMusicStream(music);
    EXPECT_TRUE(IsMusicStreamPlaying(music));
    EXPECT_TRUE(FeedUntil(music, resumed + 0.05f));
}

TEST_F(AudioMusic, StopRewindsToTheStartAndPlayWhilePlayingDoesNot)
{
    // 0.5 s without looping: carrying on from 0.3 s would end within 0.2 s.
    Music music = Track(22050);
    music.looping = false;
    PlayMusicStream(music);
    Feed(music, 0.3);
    const float before = GetMusicTimePlayed(music);
    PlayMusicStream(music);  // already playing: carries on
    Feed(music, 0.05);
    EXPECT_GE(GetMusicTimePlayed(music), before);

    StopMusicStream(music);
    EXPECT_FALSE(IsMusicStreamPlaying(music));
    EXPECT_EQ(GetMusicTimePlayed(music), 0.0f);
    PauseMusicStream(music);  // neither applies to a stopped stream
    ResumeMusicStream(music);
    Feed(music, 0.1);
    EXPECT_FALSE(IsMusicStreamPlaying(music));
    EXPECT_EQ(GetMusicTimePlayed(music), 0.0f);

    PlayMusicStream(music);
    Feed(music, 0.3);
    EXPECT_TRUE(IsMusicStreamPlaying(music)) << "the decoder went on from where it stopped";
    const float restarted = GetMusicTimePlayed(music);
    EXPECT_GT(restarted, 0.15f);
    EXPECT_LT(restarted, 0.4f);
}

TEST_F(AudioMusic, LoopingTrackWrapsToTheStartSeamlessly)
{
    const Music music = Track(13230);  // 0.3 s
    const float length = GetMusicTimeLength(music);
    ASSERT_TRUE(music.looping);
    PlayMusicStream(music);
    // Unwraps the time to count everything heard, to compare with the clock.
    float previous = 0.0f, heard = 0.0f;
    int wraps = 0;
    double firstSound = 0.0;
    const double end = Now() + 0.6;
    while (Now() < end) {
        UpdateMusicStream(music);
        const float now = GetMusicTimePlayed(music);
        ASSERT_GE(now, 0.0f);
        ASSERT_LT(now, length);
        if (now > 0.0f && firstSound == 0.0) firstSound = Now();
        if (now < previous) ++wraps;
        heard += now >= previous ? now - previous : now + length - previous;
        previous = now;
        SleepMs(5);
    }
    EXPECT_GE(wraps, 1);
    EXPECT_TRUE(IsMusicStreamPlaying(music));
    // No frame skipped or repeated at the seam, no stall: heard time keeps
    // pace with the clock, within a mixing period or two.
    EXPECT_NEAR(heard, Now() - firstSound, 0.08);
    std::printf("[ audio    ] looping 0.3 s track: %d wrap(s), %.3f s heard in %.3f s\n", wraps, heard,
                Now() - firstSound);
}

TEST_F(AudioMusic, NonLoopingTrackStopsAtItsEndAndRewinds)
{
    Music music = Track(13230);  // 0.3 s
    music.looping = false;
    PlayMusicStream(music);
    const double start = Now();
    float furthest = 0.0f;
    while (IsMusicStreamPlaying(music) && Now() - start < 3.0) {
        UpdateMusicStream(music);
        furthest = std::max(furthest, GetMusicTimePlayed(music));
        SleepMs(5);
    }
    EXPECT_FALSE(IsMusicStreamPlaying(music)) << "still playing 3 s into a 0.3 s track";
    EXPECT_GT(furthest, 0.25f) << "stopped before its end";
    EXPECT_GT(Now() - start, 0.25);
    EXPECT_EQ(GetMusicTimePlayed(music), 0.0f);

    PlayMusicStream(music);  // starts over
    Feed(music, 0.1);
    EXPECT_TRUE(IsMusicStreamPlaying(music));
    EXPECT_GT(GetMusicTimePlayed(music), 0.0f);
    EXPECT_LT(GetMusicTimePlayed(music), 0.2f);
}

TEST_F(AudioMusic, Mp3StreamPlaysAndRewinds)
{
    loaded.push_back(LoadMusicStream(kMp3.c_str()));
    const Music music = loaded.back();
    ASSERT_TRUE(IsMusicValid(music));
    PlayMusicStream(music);
    Feed(music, 0.3);
    EXPECT_NEAR(GetMusicTimePlayed(music), 0.3f, 0.1f);
    StopMusicStream(music);
    EXPECT_EQ(GetMusicTimePlayed(music), 0.0f);
    PlayMusicStream(music);
    Feed(music, 0.1);
    EXPECT_GT(GetMusicTimePlayed(music), 0.0f);
    EXPECT_LT(GetMusicTimePlayed(music), 0.2f);
}

TEST_F(AudioMusic, UpdateMakesNoHeapAllocationOnceRunning)
{
    const Music music = Track(44100);
    PlayMusicStream(music);
    Feed(music, 0.1);
    g_allocations = 0;
    g_countAllocations = true;
    Feed(music, 0.2);
    g_countAllocations = false;
    EXPECT_GT(GetMusicTimePlayed(music), 0.1f) << "the stream was not running";
    EXPECT_EQ(g_allocations.load(), 0);
}

}  // namespace
