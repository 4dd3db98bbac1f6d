// The built-in pixel font: its glyph pictures as written in the source, the
// glyphs decoded from them, and the atlas image the default font uploads.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace rlp::font {

inline constexpr int kCellHeight = 10;  // base size: every glyph is 10 pixels tall
inline constexpr int kFirstChar = 32;   // space
inline constexpr int kLastChar = 126;   // '~'
inline constexpr int kGlyphCount = kLastChar - kFirstChar + 1;
// Anything the font lacks (control characters, bytes above 126, multi-byte
// UTF-8 characters) is drawn and measured as this glyph.
inline constexpr char kFallbackChar = '?';
// Uint16 rows hold the pixels, so no glyph may be wider than this.
inline constexpr int kMaxGlyphWidth = 16;

// A run of glyphs written side by side as ASCII art: `chars` names them in
// order; in each row '#' is a lit pixel, '.' an unlit one and '|' separates
// one glyph from the next, so every row of a run has the same layout.
struct GlyphStrip {
    const char *chars;
    const char *rows[kCellHeight];
};

// The font's source pictures (font_data.cpp).
std::span<const GlyphStrip> Strips();

// One decoded glyph: its width in pixels, its pixels, and where it sits in
// the atlas image.
struct Glyph {
    int width = 0;
    std::array<std::uint16_t, kCellHeight> rows{};  // bit x of rows[y] = pixel (x, y)
    int atlasX = 0;                                 // left column in the atlas
    int atlasY = 0;                                 // top row in the atlas

    bool Lit(int x, int y) const
    {
        return x >= 0 && x < width && y >= 0 && y < kCellHeight && ((rows[y] >> x) & 1u) != 0;
    }
};

// The glyph for a character code; codes outside 32..126 give the fallback.
const Glyph &GlyphFor(int code);

// An RGBA8 picture of every glyph, white where lit and transparent elsewhere,
// each surrounded by at least one transparent pixel.
struct AtlasImage {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgba;
};
AtlasImage BuildAtlas();

}  // namespace rlp::font
