#include "replay/ReplayRecorder.h"

#include <algorithm>
#include <cmath>

namespace {

// Colours the level and its overlays draw with, beside their textures.
const Color kDrawnColors[] = {
    WHITE,
    BLACK,
    Color{130, 130, 130, 255},
    Color{80, 80, 80, 255},
    Color{230, 41, 55, 255},
    Color{0, 228, 48, 255},
    Color{0, 117, 44, 255},
    Color{0, 121, 241, 255},
    Color{0, 82, 172, 255},
    Color{255, 203, 0, 255},
    Color{200, 122, 255, 255},
    Color{245, 245, 245, 255},
};

void addTextureColors(Texture2D texture, std::vector<Color> &colors)
{
    // A texture that failed to load has nothing to read, and raylib would log
    // three warnings for trying, beside the one line the damaged file gets.
    if (texture.id == 0) return;
    Image image = LoadImageFromTexture(texture);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const Color c = GetImageColor(image, x, y);
            if (c.a == 0) continue;
            if (std::none_of(colors.begin(), colors.end(),
                             [&](Color o) { return o.r == c.r && o.g == c.g && o.b == c.b; }))
                colors.push_back(c);
        }
    UnloadImage(image);
}

}  // namespace

void ReplayRecorder::choosePalette(const GameAssets &assets)
{
    std::vector<Color> colors(std::begin(kDrawnColors), std::end(kDrawnColors));
    for (const auto &[key, texture] : assets.textures)
        addTextureColors(texture, colors);
    palette = ReplayPalette::build(colors);
}

void ReplayRecorder::clear()
{
    ring.clear();
    lastSlot = -1;
}

void ReplayRecorder::capture(const RenderTexture2D &screen, double now, bool paused)
{
    const long slot = long(std::floor(now * kRate));
    if (slot == lastSlot || palette.colors.empty()) return;
    Image image = LoadImageFromTexture(screen.texture);
    if (image.data == nullptr || image.width < kSize || image.height < kSize ||
        image.format != PIXELFORMAT_UNCOMPRESSED_R8G8B8A8) {
        UnloadImage(image);
        return;
    }
    lastSlot = slot;
    unsigned char *out = picture.data();
    const auto *pixels = static_cast<const unsigned char *>(image.data);
    for (int y = 0; y < kSize; ++y) {
        // A render texture reads back bottom row first.
        const unsigned char *row = pixels + std::size_t(image.height - 1 - y) * image.width * 4;
        for (int x = 0; x < kSize; ++x, row += 4) {
            const unsigned char index = palette.indexOf(row[0], row[1], row[2]);
            *out++ = paused ? palette.darkened[index] : index;
        }
    }
    UnloadImage(image);
    ring.add(now, picture.data());
}
