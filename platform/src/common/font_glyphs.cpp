// Decodes the font's ASCII-art strips into glyphs and lays them out in the
// atlas image.
#include <algorithm>
#include <string_view>

#include "font_data.h"

namespace rlp::font {

namespace {

// Transparent border kept around every glyph in the atlas so that nearest
// sampling at a glyph's edge never picks up its neighbour.
constexpr int kAtlasGap = 1;

// Every glyph of the font, indexed by character code − kFirstChar.
struct GlyphTable {
    std::array<Glyph, kGlyphCount> glyphs{};
    int atlasWidth = 0;
    int atlasHeight = 0;
};

// Width of the glyph starting at `column` of a strip row: up to the next '|'
// or the end of the row.
int SegmentWidth(std::string_view row, std::size_t column)
{
    if (column >= row.size()) return 0;
    const std::size_t end = row.find('|', column);
    return int((end == std::string_view::npos ? row.size() : end) - column);
}

GlyphTable BuildTable()
{
    GlyphTable table;
    for (const GlyphStrip &strip : Strips()) {
        // Row 0 decides each glyph's width; the data tests check that the
        // other rows agree, and a disagreeing row is only read as far as fits.
        const std::string_view top = strip.rows[0] ? strip.rows[0] : "";
        std::size_t column = 0;
        for (const char *ch = strip.chars; ch && *ch; ++ch) {
            const int code = static_cast<unsigned char>(*ch);
            const int width = std::min(SegmentWidth(top, column), kMaxGlyphWidth);
            if (code >= kFirstChar && code <= kLastChar) {
                Glyph &glyph = table.glyphs[code - kFirstChar];
                glyph = Glyph{};
                glyph.width = width;
                for (int y = 0; y < kCellHeight; ++y) {
                    const std::string_view row = strip.rows[y] ? strip.rows[y] : "";
                    for (int x = 0; x < width && column + x < row.size(); ++x)
                        if (row[column + x] == '#') glyph.rows[y] |= std::uint16_t(1u << x);
                }
            }
            column += std::size_t(width) + 1;
        }
    }
    // One row of glyphs, each followed by a gap, with a gap before the first
    // and above and below the row.
    int x = kAtlasGap;
    for (Glyph &glyph : table.glyphs) {
        glyph.atlasX = x;
        glyph.atlasY = kAtlasGap;
        x += glyph.width + kAtlasGap;
    }
    table.atlasWidth = x;
    table.atlasHeight = kCellHeight + 2 * kAtlasGap;
    return table;
}

const GlyphTable &Table()
{
    static const GlyphTable table = BuildTable();
    return table;
}

}  // namespace

const Glyph &GlyphFor(int code)
{
    if (code < kFirstChar || code > kLastChar) code = kFallbackChar;
    return Table().glyphs[code - kFirstChar];
}

AtlasImage BuildAtlas()
{
    const GlyphTable &table = Table();
    AtlasImage image;
    image.width = table.atlasWidth;
    image.height = table.atlasHeight;
    image.rgba.assign(std::size_t(image.width) * image.height * 4, 0);
    for (const Glyph &glyph : table.glyphs) {
        for (int y = 0; y < kCellHeight; ++y) {
            for (int x = 0; x < glyph.width; ++x) {
                if (!glyph.Lit(x, y)) continue;
                const std::size_t at = (std::size_t(glyph.atlasY + y) * image.width + glyph.atlasX + x) * 4;
                std::fill_n(image.rgba.begin() + std::ptrdiff_t(at), 4, static_cast<unsigned char>(255));
            }
        }
    }
    return image;
}

}  // namespace rlp::font
