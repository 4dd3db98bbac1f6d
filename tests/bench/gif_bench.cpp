// Saving the instant replay: 8 s of the 240x240 play area (240 pictures)
// written as a GIF at twice the size, with the camera still and with it
// scrolling every picture, which changes most pixels of every frame.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "replay/GifClip.h"

namespace {

constexpr int kSide = 240;
constexpr int kPictures = 240;
constexpr int kMapSide = 20 * 32;

// assets/tilemap.png as palette indices: 3x3 tiles of 8x8 cells.
const char *const kSheet[24] = {
    "000100010001000100010000", "011111111111111111111110", "012222222222222222222230", "112444424444444244444431",
    "012444424454444244544430", "012444424444444244444430", "012454424444544244445430", "112222222222222222222231",
    "012555525555555255555530", "012444425444444254444430", "012445424444454244444530", "112444424444444244444431",
    "012444424454444244544430", "012444424444444244444430", "012454424444544244445430", "112222222222222222222231",
    "012555525555555255555530", "012444425444444254444430", "012445424444454244444530", "112444424444444244444431",
    "012444424454444244544430", "012444424444444244444430", "013333333333333333333330", "000100010001000100010000",
};

// The arena as the level draws it: data/maprender's 20x20 tiles of the
// sheet, each cell 4x4 pixels, with birds (16x16, colours 7-10) flying over
// it. `noise` colours each cell at random instead: far busier than the
// game's art, to show where the encoder's limits are.
struct Scene {
    GifClip clip;
    std::vector<std::vector<unsigned char>> pictures;

    Scene(bool scrolling, bool noise)
    {
        std::ifstream file(TALLOWFEN_SOURCE_DIR "/data/maprender");
        std::vector<std::string> layout(20);
        for (std::string &row : layout)
            std::getline(file, row), row.resize(20, ' ');
        uint32_t seed = 12345;
        const auto random = [&seed](int below) {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<int>((seed >> 16) % static_cast<uint32_t>(below));
        };
        std::vector<unsigned char> map(kMapSide * kMapSide);
        for (int y = 0; y < kMapSide; ++y)
            for (int x = 0; x < kMapSide; ++x) {
                const char tile = layout[y / 32][x / 32];
                const int n = tile >= '0' && tile <= '8' ? tile - '0' : -1;
                map[y * kMapSide + x] = n < 0 ? 6 : kSheet[n / 3 * 8 + y % 32 / 4][n % 3 * 8 + x % 32 / 4] - '0';
            }
        if (noise)
            for (int y = 0; y < kMapSide; y += 4)
                for (int x = 0; x < kMapSide; x += 4) {
                    const auto colour = static_cast<unsigned char>(random(7));
                    for (int i = 0; i < 16; ++i)
                        map[(y + i / 4) * kMapSide + x + i % 4] = colour;
                }
        clip.palette = {{113, 108, 130, 255}, {75, 70, 89, 255}, {34, 43, 48, 255},  {162, 158, 180, 255},
                        {47, 58, 63, 255},    {59, 72, 76, 255}, {0, 0, 0, 255},     {230, 230, 220, 255},
                        {140, 90, 60, 255},   {40, 30, 30, 255}, {220, 120, 40, 255}};

        int birds[8][4];
        for (auto &bird : birds)
            bird[0] = random(kSide - 16), bird[1] = random(kSide - 16), bird[2] = random(5) - 2,
            bird[3] = random(3) + 1;
        int cameraX = 150, cameraY = 150, stepX = 1, stepY = 1;
        for (int p = 0; p < kPictures; ++p) {
            if (scrolling) {
                cameraX += stepX * (1 + p % 2), cameraY += stepY;
                if (cameraX <= 0 || cameraX >= kMapSide - kSide - 2) stepX = -stepX;
                if (cameraY <= 0 || cameraY >= kMapSide - kSide - 2) stepY = -stepY;
            }
            std::vector<unsigned char> picture(kSide * kSide);
            for (int y = 0; y < kSide; ++y)
                for (int x = 0; x < kSide; ++x)
                    picture[y * kSide + x] = map[(cameraY + y) * kMapSide + cameraX + x];
            for (auto &bird : birds) {
                bird[0] = (bird[0] + bird[2] + kSide - 16) % (kSide - 16);
                bird[1] = (bird[1] + bird[3] + kSide - 16) % (kSide - 16);
                for (int y = 0; y < 16; ++y)
                    for (int x = 0; x < 16; ++x)
                        if ((x - 8) * (x - 8) + (y - 8) * (y - 8) < 50)
                            picture[(bird[1] + y) * kSide + bird[0] + x] =
                                static_cast<unsigned char>(7 + (x / 4 + y / 5) % 4);
            }
            pictures.push_back(std::move(picture));
        }
        clip.width = clip.height = kSide;
        for (size_t i = 0; i < pictures.size(); ++i) {
            clip.pictures.push_back(pictures[i].data());
            clip.delays.push_back(i % 3 == 2 ? 4 : 3);  // 30 a second in hundredths
        }
    }
};

void encode(benchmark::State &state, bool scrolling, bool noise)
{
    const Scene scene(scrolling, noise);
    std::string problem;
    size_t bytes = 0;
    for (auto _ : state) {
        const std::string gif = EncodeGif(scene.clip, 2, &problem);
        if (gif.empty()) state.SkipWithError(problem.c_str());
        bytes = gif.size();
        benchmark::DoNotOptimize(gif.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_GifStillCamera(benchmark::State &state) { encode(state, false, false); }
BENCHMARK(BM_GifStillCamera)->Unit(benchmark::kMillisecond);

void BM_GifScrollingCamera(benchmark::State &state) { encode(state, true, false); }
BENCHMARK(BM_GifScrollingCamera)->Unit(benchmark::kMillisecond);

void BM_GifScrollingNoise(benchmark::State &state) { encode(state, true, true); }
BENCHMARK(BM_GifScrollingNoise)->Unit(benchmark::kMillisecond);

}  // namespace
