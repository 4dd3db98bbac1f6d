// The level's cost per update with every enemy chasing the player across
// the shipped arena, one whole frame of it (update, then drawing into the
// 320x240 virtual screen), and the start of a level: placing its enemies.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <iostream>

#include "assets/GameAssets.h"
#include "level/GameRunner.h"
#include "replay/ReplayRecorder.h"

namespace {

// A hidden window (for frame time and drawing) and the game's files, set up
// once; the runner reads data/ and the assets relative to the source tree.
GameAssets &setUp()
{
    static GameAssets *assets = [] {
        std::filesystem::current_path(TALLOWFEN_SOURCE_DIR);
        SetTraceLogLevel(LOG_WARNING);
        SetConfigFlags(FLAG_WINDOW_HIDDEN);
        InitWindow(320, 240, "Tallowfen benchmark");
        SetTargetFPS(60);
        // Two paced frames leave GetFrameTime() at about 1/60 s, as in play.
        for (int i = 0; i < 2; ++i) {
            BeginDrawing();
            EndDrawing();
        }
        auto *loaded = new GameAssets;
        loaded->loadAssets();
        return loaded;
    }();
    return *assets;
}

// A level of n chasing enemies, placed as the game places them.
struct Level {
    Inventory inventory;
    Upgrades upgrades;
    GameRunner runner{inventory};
    std::vector<Enemy> start;

    explicit Level(int n)
    {
        std::cout.setstate(std::ios::failbit);  // the placement lines
        runner.level = n - 1;
        runner.startLevel(upgrades);
        std::cout.clear();
        runner.player.health = 1 << 30;
        start = runner.enemies;
    }

    // Contacts kill enemies and freeze the level; put them back now and then.
    void restore()
    {
        runner.enemies = start;
        runner.enemyDeaths.clear();
        runner.goldManager.coins.clear();
        runner.freezeFrames = 0;
    }
};

void BM_LevelUpdate(benchmark::State &state)
{
    setUp();
    Level level(int(state.range(0)));
    SoundManager sound(false, nullptr);
    GameState gameState = STATE_INGAME;
    int updates = 0;
    for (auto _ : state) {
        level.runner.freezeFrames = 0;  // always a live update
        level.runner.update(sound, gameState, level.upgrades, false);
        if (++updates % 60 == 0) {
            state.PauseTiming();
            level.restore();
            state.ResumeTiming();
        }
    }
    state.counters["enemies"] = double(level.runner.enemies.size());
}
BENCHMARK(BM_LevelUpdate)->Arg(1)->Arg(50)->Arg(200)->Arg(1000)->Unit(benchmark::kMicrosecond);

void BM_LevelFrame(benchmark::State &state)
{
    GameAssets &assets = setUp();
    Level level(int(state.range(0)));
    SoundManager sound(false, nullptr);
    GameState gameState = STATE_INGAME;
    RenderTexture screen = LoadRenderTexture(320, 240);
    // With a second argument of 1 the replay records the view, as in play:
    // a picture every other 60-Hz frame.
    const bool recording = state.range(1) == 1;
    ReplayRecorder recorder;
    if (recording) recorder.choosePalette(assets);
    int updates = 0;
    for (auto _ : state) {
        level.runner.freezeFrames = 0;
        level.runner.update(sound, gameState, level.upgrades, false);
        BeginTextureMode(screen);
        ClearBackground(BLACK);
        level.runner.draw(&assets, updates / 13 % 4, updates % 13, level.upgrades);
        EndTextureMode();
        if (recording) recorder.capture(screen, updates / 60.0, false);
        if (++updates % 60 == 0) {
            state.PauseTiming();
            level.restore();
            state.ResumeTiming();
        }
    }
    UnloadRenderTexture(screen);
}
BENCHMARK(BM_LevelFrame)->Args({200, 0})->Args({20, 0})->Args({20, 1})->Unit(benchmark::kMicrosecond);

// Starting level L from a fresh runner: the placement of its L enemies.
void BM_LevelStart(benchmark::State &state)
{
    setUp();
    const int level = int(state.range(0));
    std::cout.setstate(std::ios::failbit);  // the catalogue's and the placement's lines
    for (auto _ : state) {
        state.PauseTiming();
        Inventory inventory;
        Upgrades upgrades;
        GameRunner runner(inventory);
        runner.level = level - 1;
        SetRandomSeed(unsigned(level));
        state.ResumeTiming();
        runner.startLevel(upgrades);
    }
    std::cout.clear();
}
BENCHMARK(BM_LevelStart)->Arg(100)->Arg(1000)->Arg(3000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
