// How fast the batch draws a busy frame into a 320x240 target: 10,000
// textured quads and 1,000 circles, with the draw calls it needed.
#include <benchmark/benchmark.h>

#include <vector>

#include "internal.h"
#include "raylib.h"

namespace {

void BM_BusyFrame(benchmark::State &state)
{
    if (!IsWindowReady()) {
        state.SkipWithError("no display");
        return;
    }
    SetTargetFPS(0);
    RenderTexture2D screen = LoadRenderTexture(320, 240);
    std::vector<unsigned char> pixels(16 * 16 * 4, 200);
    Texture2D sprite = rlp::CreateTextureRGBA(16, 16, pixels.data());
    const int quads = int(state.range(0)), circles = int(state.range(1));
    unsigned int calls = 0, frames = 0;
    for (auto _ : state) {
        rlp::ResetDrawCallCount();
        BeginTextureMode(screen);
        ClearBackground(BLACK);
        for (int i = 0; i < quads; ++i)
            DrawTexturePro(sprite, {0, 0, 16, 16}, {float(i % 304), float((i * 7) % 224), 16, 16}, {0, 0},
                           float(i % 4) * 90.0f, WHITE);
        for (int i = 0; i < circles; ++i)
            DrawCircle((i * 13) % 320, (i * 29) % 240, 4.0f, GREEN);
        EndTextureMode();
        BeginDrawing();
        DrawTexturePro(screen.texture, {0, 0, 320, -240}, {0, 0, 640, 480}, {0, 0}, 0, WHITE);
        EndDrawing();
        calls += rlp::DrawCallCount();
        ++frames;
    }
    state.counters["draw_calls_per_frame"] = frames ? double(calls) / frames : 0.0;
    UnloadTexture(sprite);
    UnloadRenderTexture(screen);
}

BENCHMARK(BM_BusyFrame)->Args({10000, 1000})->Args({300, 20})->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

// One window for every run: the benchmark calls its function many times.
int main(int argc, char **argv)
{
    SetTraceLogLevel(LOG_WARNING);
    SetConfigFlags(FLAG_WINDOW_HIDDEN);
    InitWindow(640, 480, "draw benchmark");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    CloseWindow();
    return 0;
}
