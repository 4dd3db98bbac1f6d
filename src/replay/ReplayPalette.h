#pragma once

#include <vector>

#include "raylib.h"

// The replay's 8-bit palette: the colours the level's pictures are made of
// (its textures, the colours it draws with, the player's tint, the magnet's
// translucent ring), each also darkened as the pause shows it. Any other
// colour is stored as the nearest of these, looked up once and remembered.
class ReplayPalette {
public:
    static constexpr int kMaxColors = 255;  // one GIF index stays free for "unchanged"
    static constexpr unsigned char kUnknown = 255;

    std::vector<Color> colors;            // opaque, at most kMaxColors
    std::vector<unsigned char> darkened;  // index -> index of its paused look
    std::vector<unsigned char> lookup;    // 6 bits a channel -> index, kUnknown until first asked

    // `base` holds the game's own colours; alpha is ignored.
    static ReplayPalette build(const std::vector<Color> &base);

    unsigned char indexOf(unsigned char r, unsigned char g, unsigned char b)
    {
        const unsigned key = unsigned(r >> 2) << 12 | unsigned(g >> 2) << 6 | unsigned(b >> 2);
        const unsigned char known = lookup[key];
        return known != kUnknown ? known : (lookup[key] = nearest(r, g, b));
    }
    unsigned char nearest(unsigned char r, unsigned char g, unsigned char b) const;
};
