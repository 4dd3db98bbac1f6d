#include "replay/ReplayPalette.h"

#include <algorithm>
#include <limits>

namespace {

// What the level draws over its textures: the player's tint, the magnet's
// ring (that blue at a third) and the pause's black veil.
constexpr Color kPlayerTint{245, 245, 245, 255};
constexpr Color kMagnet{0, 82, 172, 255};
constexpr int kMagnetAlpha = int(255 * 0.33f);
constexpr int kPauseAlpha = 150;

bool same(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b; }

unsigned char mix(int over, int under, int alpha)
{
    return (unsigned char)((over * alpha + under * (255 - alpha) + 127) / 255);
}

Color blend(Color over, Color under, int alpha)
{
    return Color{mix(over.r, under.r, alpha), mix(over.g, under.g, alpha), mix(over.b, under.b, alpha), 255};
}

Color tinted(Color c, Color tint)
{
    return Color{(unsigned char)(c.r * tint.r / 255), (unsigned char)(c.g * tint.g / 255),
                 (unsigned char)(c.b * tint.b / 255), 255};
}

void add(std::vector<Color> &list, Color c)
{
    c.a = 255;
    if (list.size() < ReplayPalette::kMaxColors &&
        std::none_of(list.begin(), list.end(), [&](Color o) { return same(o, c); }))
        list.push_back(c);
}

}  // namespace

ReplayPalette ReplayPalette::build(const std::vector<Color> &base)
{
    ReplayPalette palette;
    std::vector<Color> lit;
    add(lit, BLACK);  // the cleared screen, and the fallback for anything
    add(lit, WHITE);
    for (Color c : base)
        add(lit, c);
    const std::size_t own = lit.size();
    for (std::size_t i = 0; i < own; ++i)
        add(lit, tinted(lit[i], kPlayerTint));
    const std::size_t withTint = lit.size();
    for (std::size_t i = 0; i < withTint; ++i)
        add(lit, blend(kMagnet, lit[i], kMagnetAlpha));
    // The darkened half shares the room left; lit colours come first.
    palette.colors = lit;
    for (Color c : lit)
        add(palette.colors, blend(BLACK, c, kPauseAlpha));
    palette.lookup.assign(std::size_t(1) << 18, kUnknown);
    palette.darkened.resize(palette.colors.size());
    for (std::size_t i = 0; i < palette.colors.size(); ++i) {
        const Color dark = blend(BLACK, palette.colors[i], kPauseAlpha);
        palette.darkened[i] = palette.nearest(dark.r, dark.g, dark.b);
    }
    return palette;
}

unsigned char ReplayPalette::nearest(unsigned char r, unsigned char g, unsigned char b) const
{
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (std::size_t i = 0; i < colors.size(); ++i) {
        const int dr = colors[i].r - r, dg = colors[i].g - g, db = colors[i].b - b;
        // Weighted towards green as the eye is, so a mismatch looks least wrong.
        const int distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = int(i);
        }
    }
    return (unsigned char)best;
}
