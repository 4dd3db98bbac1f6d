// What keeping every run as a demo costs: reading one update's tic and
// adding it, and rewriting the demo at a level's start or end; and what ten
// minutes of busy play (the mouse moving every update, keys changing twice
// a second, the frame time jittering) take on disk.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <random>

#include "demo/DemoRecorder.h"
#include "options/ActionInput.h"
#include "raylib.h"

namespace {

constexpr int kTenMinutes = 10 * 60 * 60;

// Busy play: a pointer that never rests, its speed nudged at random every
// update as a hand's is; walk keys that change every half second; fire held;
// a frame time a few hundred nanoseconds past 1/60 s, one in a hundred up to
// 3 ms late.
DemoFile busyPlay(int updates)
{
    DemoFile demo;
    demo.game = DemoFile::thisGame();
    demo.platform = DemoFile::thisPlatform();
    std::mt19937 random(7);
    float x = 120.0f, y = 120.0f, vx = 1.0f, vy = 0.5f;
    for (int u = 0; u < updates; ++u) {
        InputTic tic;
        tic.keyHeld = uint8_t((1u << ((u / 30) % 4)) | (1u << ACTION_FIRE));
        tic.keyPressed = u % 30 == 0 ? uint8_t(1u << ((u / 30) % 4)) : 0;
        vx = std::clamp(vx + float(int(random() % 5) - 2) / 8.0f, -4.0f, 4.0f);
        vy = std::clamp(vy + float(int(random() % 5) - 2) / 8.0f, -4.0f, 4.0f);
        x = std::clamp(x + vx, 0.0f, 240.0f);
        y = std::clamp(y + vy, 0.0f, 240.0f);
        tic.mouseX = std::round(x * 1.875f + 100.0f);  // a window reports whole pixels
        tic.mouseY = std::round(y * 1.875f);
        tic.screenWidth = 800, tic.screenHeight = 450;
        // The library waits out the frame to the microsecond; now and then one runs long.
        const double late = random() % 100 == 0 ? double(random() % 3000) * 1e-6 : double(random() % 400) * 1e-9;
        tic.step = float(1.0 / 60.0 + late);
        demo.tics.push_back(tic);
        if (u % 1800 == 0) {
            DemoMark start;
            start.at = uint32_t(u);
            start.level = 1 + u / 1800;
            demo.marks.push_back(start);
        }
    }
    return demo;
}

void BM_SampleAndRecordOneUpdate(benchmark::State &state)
{
    if (!IsWindowReady()) {
        SetTraceLogLevel(LOG_WARNING);
        SetConfigFlags(FLAG_WINDOW_HIDDEN);
        InitWindow(320, 240, "Tallowfen benchmark");
    }
    const Bindings bindings;
    DemoRecorder recorder;
    for (auto _ : state) {
        recorder.tic = ActionInput::sample(bindings);
        recorder.add(recorder.tic);
        if (recorder.demo.tics.size() >= std::size_t(kTenMinutes)) recorder.demo.tics.clear();
    }
}
BENCHMARK(BM_SampleAndRecordOneUpdate);

// A mark packs the tics since the last one and assembles the file (the
// writing then goes on beside the game); a level has two marks, so this
// spreads over its updates. Arguments: minutes already recorded, and the
// level's length in updates (300: a quick early level).
void BM_PackAtLevelEnd(benchmark::State &state)
{
    const int before = int(state.range(0)) * 60 * 60;
    const int level = int(state.range(1));
    const DemoFile whole = busyPlay(before + level);
    DemoFile earlier = whole;
    earlier.tics.resize(std::size_t(before));
    earlier.encode();  // what the run's earlier marks packed
    std::size_t bytes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DemoFile demo = earlier;
        demo.tics.insert(demo.tics.end(), whole.tics.begin() + before, whole.tics.end());
        state.ResumeTiming();
        bytes = demo.encode().size();
    }
    state.counters["bytes"] = double(bytes);
    state.counters["level_updates"] = double(level);  // the time over these: its cost an update
}
BENCHMARK(BM_PackAtLevelEnd)->Args({1, 300})->Args({9, 300})->Args({9, 1800})->Unit(benchmark::kMicrosecond);

// Ten minutes of busy play packed as one, as a demo read back and saved again is.
void BM_PackTenMinutes(benchmark::State &state)
{
    const DemoFile whole = busyPlay(kTenMinutes);
    std::size_t bytes = 0;
    for (auto _ : state) {
        DemoFile demo = whole;
        bytes = demo.encode().size();
    }
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_PackTenMinutes)->Unit(benchmark::kMillisecond);

}  // namespace
