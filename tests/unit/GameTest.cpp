// The top-level Game: construction, shared animation, music switching with
// the state, the asset registry it fills and the sound switch.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"
#include "core/Game.h"

namespace {

namespace fs = std::filesystem;

// A Game built in a fresh working directory with the real assets.
class GameFixture : public ::testing::Test {
protected:
    void SetUp() override { EnsureWindowAndAudio(); }
    void TearDown() override
    {
        if (game) {
            StopMusicStream(game->assets.fetchMusic("menu"));
            StopMusicStream(game->assets.fetchMusic("ingame"));
        }
    }

    void build(const char *settingsFile = nullptr)
    {
        if (settingsFile) dir.write("data/settings", settingsFile);
        game = std::make_unique<Game>();
    }

    // Runs updates for about the given time so the streams really play.
    void play(int frames)
    {
        for (int i = 0; i < frames; ++i) {
            game->update(&quit);
            std::this_thread::sleep_for(std::chrono::milliseconds(16));
        }
    }

    // What the update does after a screen has changed the state.
    void moveTo(GameState next)
    {
        const GameState previous = game->state;
        game->state = next;
        game->enterState(previous);
    }

    float timePlayed(const char *track) { return GetMusicTimePlayed(game->assets.fetchMusic(track)); }
    bool playing(const char *track) { return IsMusicStreamPlaying(game->assets.fetchMusic(track)); }

    ScopedWorkDir dir;
    std::unique_ptr<Game> game;
    bool quit = false;
};

TEST_F(GameFixture, StartsInTheMenuWithTheMenuTrackPlaying)
{
    build();
    EXPECT_EQ(game->state, STATE_MENU);
    EXPECT_STREQ(game->musicManager.current.name, "menu");
    EXPECT_TRUE(playing("menu"));
    EXPECT_FALSE(playing("ingame"));
    EXPECT_TRUE(game->soundManager.enabled);
    EXPECT_EQ(game->animTick, 0);
    EXPECT_EQ(game->animFrame, 0);
}

#ifndef _WIN32  // holds standard output on a full pipe made non-blocking by fcntl: POSIX only
// The loudest sample mixed since it was last cleared.
std::atomic<float> mixPeak{0.0f};
void MeterMix(void *data, unsigned int frames)
{
    const float *samples = static_cast<const float *>(data);
    float top = mixPeak.load();
    for (unsigned int i = 0; i < 2 * frames; ++i)
        top = std::max(top, std::fabs(samples[i]));
    mixPeak.store(top);
}

TEST_F(GameFixture, MusicIsNeverHeardAboveItsSavedVolume)
{
    dir.write("data/options", "music_volume = 0\neffects_volume = 0\n");
    // Standard output is a pipe that fills up, as a slow terminal could, just
    // after the members' last line (the missing map's) and before the body's
    // first ("Verified ..."), holding the start-up there while the mixer plays
    // whatever has started.
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    std::fflush(stdout);
    const int savedOut = dup(1);
    dup2(ends[1], 1);
    const int filler = dup(ends[1]);  // the reader's own, so closing ends[1] cannot race it
    std::thread reader([&ends, filler] {
        std::string seen;
        char buffer[256];
        ssize_t n = 0;
        while (seen.find("maprender\n") == std::string::npos && (n = read(ends[0], buffer, sizeof buffer)) > 0)
            seen.append(buffer, std::size_t(n));
        // Filled without blocking, then blocking again: fd 1 shares the flag.
        fcntl(filler, F_SETFL, O_NONBLOCK);
        while (write(filler, buffer, sizeof buffer) > 0) {
        }
        fcntl(filler, F_SETFL, 0);
        close(filler);
        // Long enough for the assets to load and any track started to be heard.
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (mixPeak.load() == 0.0f && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        while (read(ends[0], buffer, sizeof buffer) > 0) {
        }
    });
    AttachAudioMixedProcessor(MeterMix);
    // Whatever an earlier test left sounding dies away first.
    for (int quiet = 0, tries = 0; quiet < 3 && tries < 100; ++tries) {
        mixPeak = 0.0f;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        quiet = mixPeak.load() == 0.0f ? quiet + 1 : 0;
    }
    mixPeak = 0.0f;
    build("111");
    std::fflush(stdout);
    dup2(savedOut, 1);
    close(savedOut);
    close(ends[1]);
    reader.join();
    close(ends[0]);
    play(5);
    DetachAudioMixedProcessor(MeterMix);
    EXPECT_TRUE(playing("menu"));
    EXPECT_EQ(mixPeak.load(), 0.0f) << "music heard before its volume of 0 was set";
}
#endif

TEST_F(GameFixture, AnimationFrameAdvancesEveryThirteenthUpdate)
{
    build();
    std::vector<int> frames;
    for (int i = 1; i <= 60; ++i) {
        game->update(&quit);
        frames.push_back(game->animFrame);
    }
    for (int i = 1; i <= 12; ++i)
        EXPECT_EQ(frames[i - 1], 0) << "update " << i;
    EXPECT_EQ(frames[13 - 1], 1);
    EXPECT_EQ(frames[26 - 1], 2);
    EXPECT_EQ(frames[39 - 1], 3);
    EXPECT_EQ(frames[51 - 1], 3);
    EXPECT_EQ(frames[52 - 1], 0);
    EXPECT_FALSE(quit);
}

TEST_F(GameFixture, PlayBeginningAndEndingSwitchTracksAndResumeWherePaused)
{
    build();
    play(15);
    // Entering play pauses "menu" and starts "ingame" from the beginning.
    moveTo(STATE_INGAME);
    EXPECT_STREQ(game->musicManager.current.name, "ingame");
    EXPECT_FALSE(playing("menu"));
    EXPECT_TRUE(playing("ingame"));
    const float menuPausedAt = timePlayed("menu");
    EXPECT_GT(menuPausedAt, 0.0f);
    play(15);
    EXPECT_FLOAT_EQ(timePlayed("menu"), menuPausedAt);  // paused, not fed

    // Leaving play for any screen resumes "menu" from where it stopped.
    moveTo(STATE_SHOP);
    EXPECT_STREQ(game->musicManager.current.name, "menu");
    EXPECT_TRUE(playing("menu"));
    EXPECT_FALSE(playing("ingame"));
    const float ingamePausedAt = timePlayed("ingame");
    EXPECT_GT(ingamePausedAt, 0.0f);
    play(10);
    EXPECT_GT(timePlayed("menu"), menuPausedAt + 0.05f);  // restarted, it would be near 0.16

    // Back into play: "ingame" continues rather than restarting.
    moveTo(STATE_INGAME);
    EXPECT_TRUE(playing("ingame"));
    play(10);
    EXPECT_GT(timePlayed("ingame"), ingamePausedAt + 0.05f);
}

// Play beginning starts the next level before its first frame; the level
// runs and draws while in play and hands over to the shop with Q.
TEST_F(GameFixture, PlayRunsTheLevelAndEachEntryStartsTheNextOne)
{
    fs::copy(fs::path(TALLOWFEN_SOURCE_DIR) / "data/map", dir.path / "data/map");
    fs::copy(fs::path(TALLOWFEN_SOURCE_DIR) / "data/maprender", dir.path / "data/maprender");
    testing::internal::CaptureStdout();
    build();
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(said.substr(0, said.find("goldspawns\n") + 11), said.substr(said.size() / 2)) << "the catalogue twice";
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 10) << said;

    moveTo(STATE_INGAME);
    EXPECT_EQ(game->runner.level, 1);
    EXPECT_EQ(game->runner.enemies.size(), 1u);
    game->update(&quit);
    EXPECT_EQ(game->runner.gun.cooldown, 24) << "the level got its update";
    RenderTexture screen = LoadRenderTexture(320, 240);
    BeginTextureMode(screen);
    game->draw();
    EndTextureMode();
    UnloadRenderTexture(screen);
    EXPECT_EQ(game->runner.camera.target.x, 120.0f) << "the player's draw clamps the camera";

    game->runner.enemies.clear();
    game->update(&quit);
    EXPECT_TRUE(game->runner.levelFinished);
    {
        HeldKeys q({KEY_Q});
        game->update(&quit);
    }
    EXPECT_EQ(game->state, STATE_SHOP);
    EXPECT_STREQ(game->musicManager.current.name, "menu");
    moveTo(STATE_INGAME);
    EXPECT_EQ(game->runner.level, 2);
    EXPECT_EQ(game->runner.enemies.size(), 2u);
}

TEST_F(GameFixture, MovesBetweenMenuScreensKeepTheTrack)
{
    build();
    for (GameState next : {STATE_SETTINGS, STATE_MENU, STATE_DEAD, STATE_SHOP}) {
        moveTo(next);
        EXPECT_STREQ(game->musicManager.current.name, "menu");
        EXPECT_TRUE(playing("menu"));
    }
}

TEST_F(GameFixture, WithMusicOffNothingStartsAndNoTrackIsSwapped)
{
    build("011");
    EXPECT_FALSE(game->settings.music);
    EXPECT_TRUE(game->settings.sound);
    EXPECT_FALSE(playing("menu"));
    moveTo(STATE_INGAME);
    moveTo(STATE_SHOP);
    EXPECT_STREQ(game->musicManager.current.name, "menu");
    EXPECT_FALSE(playing("ingame"));
    // Switching music on applies to the track that is current.
    game->settings.music = true;
    game->loadSettings();
    EXPECT_TRUE(playing("menu"));
}

TEST_F(GameFixture, RegistryHoldsEveryAssetUnderItsKey)
{
    build();
    EXPECT_EQ(game->assets.textures.size(), 10u);
    EXPECT_EQ(game->assets.shaders.size(), 2u);
    EXPECT_EQ(game->assets.music.size(), 2u);
    EXPECT_EQ(game->assets.sounds.size(), 9u);
    for (const auto &[key, texture] : game->assets.textures)
        EXPECT_TRUE(IsTextureValid(texture)) << key;
    for (const auto &[key, sound] : game->assets.sounds)
        EXPECT_TRUE(IsSoundValid(sound)) << key;
    for (const auto &[key, music] : game->assets.music)
        EXPECT_TRUE(IsMusicValid(music)) << key;
    EXPECT_EQ(game->assets.fetchTexture("crab").width, 64);
    EXPECT_EQ(game->assets.fetchTexture("enemy").height, 48);
    EXPECT_GE(GetMusicTimeLength(game->assets.fetchMusic("menu")), 30.0f);
    // Texture key "hpotion" and sound key "hPotion" are separate entries.
    EXPECT_EQ(game->assets.fetchTexture("hpotion").width, 8);
    EXPECT_GT(game->assets.fetchSound("hPotion").frameCount, 0u);
}

TEST_F(GameFixture, UnknownKeyFetchesAnEmptyAssetAndRemembersIt)
{
    build();
    const Texture &missing = game->assets.fetchTexture("no such texture");
    EXPECT_EQ(missing.id, 0u);
    EXPECT_EQ(game->assets.textures.size(), 11u);
    EXPECT_EQ(&game->assets.fetchTexture("no such texture"), &missing);
    EXPECT_EQ(game->assets.fetchSound("nope").frameCount, 0u);
    MusicPlayer ghost("no such track");  // all its operations are silent
    ghost.startMusic(&game->assets);
    ghost.updateMusic(&game->assets);
    EXPECT_FALSE(IsMusicStreamPlaying(ghost.fetch(&game->assets)));
}

TEST_F(GameFixture, SoundOffPlaysNothing)
{
    build("101");
    EXPECT_FALSE(game->soundManager.enabled);
    const Sound &select = game->assets.fetchSound("select");
    game->soundManager.play("select");
    EXPECT_FALSE(IsSoundPlaying(select));
    game->soundManager.enabled = true;
    game->soundManager.play("select");
    EXPECT_TRUE(IsSoundPlaying(select));
}

TEST(GameStartUp, AMissingAssetFileDoesNotStopIt)
{
    EnsureWindowAndAudio();
    ScopedWorkDir dir(false);
    fs::copy(fs::path(TALLOWFEN_SOURCE_DIR) / "assets", dir.path / "assets", fs::copy_options::recursive);
    LinkFolder(fs::path(TALLOWFEN_SOURCE_DIR) / "shaders", dir.path / "shaders");
    fs::remove(dir.path / "assets/bird.png");
    testing::internal::CaptureStdout();
    Game game;
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("assets/bird.png"), std::string::npos) << out;
    // The catalogue is filled again last, so its lines follow what the files said.
    EXPECT_GT(out.rfind("Verified goldspawns"), out.find("assets/bird.png")) << out;
    EXPECT_EQ(game.assets.fetchTexture("enemy").id, 0u);
    EXPECT_TRUE(IsTextureValid(game.assets.fetchTexture("crab")));
    EXPECT_EQ(game.assets.textures.size(), 10u);
    StopMusicStream(game.assets.fetchMusic("menu"));
}

}  // namespace
