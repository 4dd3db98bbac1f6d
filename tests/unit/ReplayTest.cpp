#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>

#include "GamepadSupport.h"
#include "TestSupport.h"
#include "raylib.h"
#include "replay/Replay.h"

namespace {

bool Same(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

}  // namespace

TEST(FrameRing, KeepsTheLastPicturesAtTheirPace)
{
    struct Case {
        const char *what;
        int capacity;
        int added;   // pictures taken every 1/60 s, picture i filled with i
        int size;    // pictures kept
        int oldest;  // the first kept picture's fill
        int lastDelay;
    };
    const Case cases[] = {
        {"a level shorter than the ring", 8, 3, 3, 0, 3},
        {"exactly full", 4, 4, 4, 0, 3},
        {"wrapped round twice and a bit", 4, 9, 4, 5, 3},
        {"a single picture", 4, 1, 1, 0, 7},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FrameRing ring(300, 2, c.capacity);
        for (int i = 0; i < c.added; ++i) {
            // Runs longer than a byte counts, and noise that packs worse than it is.
            std::vector<unsigned char> picture(600, (unsigned char)i);
            for (int x = 0; x < 300 && i % 2 == 1; x += 1)
                picture[300 + x] = (unsigned char)(x * 7 + i);
            ring.add(i / 60.0, picture.data());
        }
        ASSERT_EQ(ring.size(), c.size);
        for (int i = 0; i < c.size; ++i) {
            const std::vector<unsigned char> picture = ring.picture(i);
            const int fill = c.oldest + i;
            EXPECT_EQ(picture[299], fill);
            EXPECT_EQ(picture[599], fill % 2 == 1 ? (unsigned char)(299 * 7 + fill) : fill);
        }
        const std::vector<int> delays = ring.delays(c.lastDelay);
        ASSERT_EQ(int(delays.size()), c.size);
        // 60-Hz steps round to 2s and 1s that keep the recorded pace overall.
        const int total = std::accumulate(delays.begin(), delays.end() - 1, 0);
        EXPECT_NEAR(total, (c.size - 1) * 100.0 / 60.0, 1.0);
        EXPECT_EQ(delays.back(), c.lastDelay);
        // The loop starts again after the last picture's own delay.
        EXPECT_EQ(ring.pictureAt(0.0, c.lastDelay), 0);
        EXPECT_EQ(ring.pictureAt((c.size - 1) / 60.0 + 0.001, c.lastDelay), c.size - 1);
        EXPECT_EQ(ring.pictureAt((c.size - 1) / 60.0 + c.lastDelay / 100.0 + 0.001, c.lastDelay), 0);
    }
    FrameRing ring(1, 1, 4);
    const unsigned char dot = 1;
    ring.add(0.0, &dot);
    ring.clear();
    EXPECT_EQ(ring.size(), 0);
    EXPECT_EQ(ring.pictureAt(1.0, 3), -1);
}

TEST(ReplayPalette, HoldsTheGamesColoursTheirVariantsAndNoMore)
{
    const Color crab{230, 41, 55, 255}, floor{59, 72, 76, 255};
    ReplayPalette palette = ReplayPalette::build({crab, floor, crab});
    for (Color c : {crab, floor, BLACK, WHITE})
        EXPECT_TRUE(Same(palette.colors[palette.indexOf(c.r, c.g, c.b)], c));
    // The magnet's ring over the floor, and the pause's veil, are colours of their own.
    const Color ringed = palette.colors[palette.indexOf(40, 76, 108)];
    EXPECT_TRUE(ringed.b > floor.b && ringed.r < floor.r);
    const Color dark = palette.colors[palette.darkened[palette.indexOf(crab.r, crab.g, crab.b)]];
    EXPECT_NEAR(dark.r, crab.r * 105 / 255, 2);
    // Anything else takes the nearest, and asking again gives the same.
    const unsigned char near = palette.indexOf(225, 45, 50);
    EXPECT_TRUE(Same(palette.colors[near], crab));
    EXPECT_EQ(palette.indexOf(225, 45, 50), near);

    std::vector<Color> many;
    for (int i = 0; i < 400; ++i)
        many.push_back(Color{(unsigned char)i, (unsigned char)(i / 2), (unsigned char)(i * 7), 255});
    EXPECT_EQ(ReplayPalette::build(many).colors.size(), std::size_t(ReplayPalette::kMaxColors));
}

// The recording reads the finished virtual screen: its top row first, the
// level's 240 x 240 only, and a paused picture darkened.
TEST(ReplayRecorder, TakesTheViewUprightAndDarkensItWhilePaused)
{
    EnsureWindowAndAudio();
    const Color crab{230, 41, 55, 255}, gold{255, 203, 0, 255};
    ReplayRecorder recorder;
    recorder.palette = ReplayPalette::build({crab, gold});
    RenderTexture2D screen = LoadRenderTexture(320, 240);
    BeginTextureMode(screen);
    ClearBackground(BLACK);
    DrawRectangle(0, 0, 10, 10, crab);
    DrawRectangle(230, 230, 10, 10, gold);
    DrawRectangle(240, 0, 80, 240, WHITE);  // the HUD's strip is left out
    EndTextureMode();

    recorder.capture(screen, 10.0, false);
    recorder.capture(screen, 10.01, true);  // the same 1/30 s: no new picture
    recorder.capture(screen, 10.04, true);
    UnloadRenderTexture(screen);
    ASSERT_EQ(recorder.ring.size(), 2);
    const auto colorAt = [&](int picture, int x, int y) {
        return recorder.palette.colors[recorder.ring.picture(picture)[y * ReplayRecorder::kSize + x]];
    };
    EXPECT_TRUE(Same(colorAt(0, 2, 2), crab));
    EXPECT_TRUE(Same(colorAt(0, 235, 235), gold));
    EXPECT_TRUE(Same(colorAt(0, 239, 100), BLACK));
    const Color dark = colorAt(1, 2, 2);
    EXPECT_TRUE(dark.r < crab.r / 2 && dark.r > 0);

    recorder.clear();
    EXPECT_EQ(recorder.ring.size(), 0);
}

// The death screen's replay by keyboard and by pad, as the player drives it:
// it starts, saves a clip into the pictures folder (or says why it cannot)
// and leaves, taking every update's input while it shows.
TEST(Replay, StartsSavesAndLeavesByKeyAndByPad)
{
    EnsureWindowAndAudio();
    ScopedWorkDir dir(false);
    Replay replay;
    replay.recorder.palette = ReplayPalette::build({Color{230, 41, 55, 255}});
    std::vector<unsigned char> picture(ReplayRecorder::kSize * ReplayRecorder::kSize, 0);
    for (int i = 0; i < 3; ++i) {
        picture[i] = 2;
        replay.recorder.ring.add(i / 30.0, picture.data());
    }
    const auto press = [&](auto down, auto up) {
        down();
        const bool taken = replay.updateOnDeathScreen(5);
        up();
        return taken;
    };
    const auto key = [&](int k) { return press([k] { InjectKey(k, true); }, [k] { InjectKey(k, false); }); };
    ScopedPad pad;
    const auto button = [&](int b) { return press([&] { pad.hold(b, true); }, [&] { pad.hold(b, false); }); };
    const auto clips = [&](const std::filesystem::path &folder) {
        int n = 0;
        for (const auto &entry : std::filesystem::directory_iterator(folder))
            n += entry.path().extension() == ".gif" &&
                 entry.path().filename().string().find("-level5.") != std::string::npos;
        return n;
    };

    replay.pictures.dir = (dir.path / "Pictures" / "Tallowfen").string();
    EXPECT_FALSE(key(KEY_S));  // nothing before the replay shows
    EXPECT_TRUE(key(KEY_R));
    EXPECT_TRUE(replay.viewer.showing);
    EXPECT_TRUE(key(KEY_S));
    EXPECT_EQ(clips(replay.pictures.dir), 1);
    EXPECT_TRUE(replay.viewer.failure.empty());
    EXPECT_TRUE(key(KEY_SPACE));
    EXPECT_FALSE(replay.viewer.showing);

    std::ofstream(dir.path / "file") << "x";
    replay.pictures.dir = (dir.path / "file" / "Tallowfen").string();
    EXPECT_TRUE(button(GAMEPAD_BUTTON_RIGHT_FACE_LEFT));  // X
    EXPECT_TRUE(button(GAMEPAD_BUTTON_RIGHT_FACE_UP));    // Y: the folder cannot be made
    EXPECT_FALSE(replay.viewer.failure.empty());
    EXPECT_TRUE(replay.viewer.showing);
    EXPECT_TRUE(button(GAMEPAD_BUTTON_RIGHT_FACE_DOWN));
    EXPECT_FALSE(replay.viewer.showing);
    replay.release();
}

// Two saves in one second, or a name already taken, never replace a picture.
TEST(Replay, NeverReplacesAPicture)
{
    EnsureWindowAndAudio();
    ScopedWorkDir dir(false);
    Replay replay;
    replay.recorder.palette = ReplayPalette::build({Color{230, 41, 55, 255}});
    const std::vector<unsigned char> picture(ReplayRecorder::kSize * ReplayRecorder::kSize, 1);
    replay.recorder.ring.add(0.0, picture.data());
    replay.pictures.dir = (dir.path / "P").string();
    for (std::time_t t = std::time(nullptr) - 1, last = t + 4; t <= last; ++t) {
        std::tm local{};  // every name the next seconds could give is taken
        localtime_r(&t, &local);
        for (const char *extension : {".png", ".gif"})
            dir.write("P/" + ClipName(local, 5, extension), "kept");
    }
    RenderTexture2D screen = LoadRenderTexture(320, 240);
    for (const int key : {KEY_F9, KEY_F9, KEY_R, KEY_S, KEY_S}) {
        InjectKey(key, true);
        key == KEY_F9 ? replay.afterDraw(screen, false, false, 5) : void(replay.updateOnDeathScreen(5));
        InjectKey(key, false);
    }
    UnloadRenderTexture(screen);
    replay.release();
    // Four new pictures beside the ten, and nothing half-written left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(replay.pictures.dir), {}), 10 + 4);
}
