// The built-in font and text layout without a window: the glyph pictures,
// the atlas built from them, MeasureText, DrawFPS's colour and label, and
// drawing with no font loaded.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "font_data.h"
#include "internal.h"
#include "raylib.h"
#include "text.h"

namespace {

using rlp::font::GlyphFor;
using rlp::font::kCellHeight;

int W(char c) { return GlyphFor(static_cast<unsigned char>(c)).width; }

// Splits one strip row at its '|' separators.
std::vector<std::string_view> Segments(std::string_view row)
{
    std::vector<std::string_view> out;
    for (std::size_t start = 0;;) {
        const std::size_t bar = row.find('|', start);
        out.push_back(row.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start));
        if (bar == std::string_view::npos) return out;
        start = bar + 1;
    }
}

TEST(FontData, StripsAreWellFormedAndCoverPrintableAsciiOnce)
{
    std::multiset<int> seen;
    for (const rlp::font::GlyphStrip &strip : rlp::font::Strips()) {
        ASSERT_NE(strip.chars, nullptr);
        const std::size_t count = std::strlen(strip.chars);
        for (std::size_t i = 0; i < count; ++i)
            seen.insert(static_cast<unsigned char>(strip.chars[i]));
        for (int y = 0; y < kCellHeight; ++y) {
            ASSERT_NE(strip.rows[y], nullptr) << strip.chars << " row " << y;
            const std::string_view row = strip.rows[y];
            EXPECT_EQ(row.find_first_not_of(".#|"), std::string_view::npos) << strip.chars << " row " << y;
            const auto segments = Segments(row);
            ASSERT_EQ(segments.size(), count) << strip.chars << " row " << y;
            for (std::size_t i = 0; i < count; ++i)
                EXPECT_EQ(segments[i].size(), Segments(strip.rows[0])[i].size())
                    << "glyph '" << strip.chars[i] << "' row " << y << " differs in width from row 0";
        }
    }
    for (int c = 0; c < 256; ++c)
        EXPECT_EQ(seen.count(c), (c >= 32 && c <= 126) ? 1u : 0u) << "character code " << c;
}

TEST(FontData, DecodedGlyphsMatchTheirPictures)
{
    for (const rlp::font::GlyphStrip &strip : rlp::font::Strips()) {
        std::size_t column = 0;
        for (const char *ch = strip.chars; *ch; ++ch) {
            const auto &glyph = GlyphFor(static_cast<unsigned char>(*ch));
            ASSERT_EQ(std::size_t(glyph.width), Segments(strip.rows[0])[std::size_t(ch - strip.chars)].size());
            for (int y = 0; y < kCellHeight; ++y)
                for (int x = 0; x < glyph.width; ++x)
                    EXPECT_EQ(glyph.Lit(x, y), strip.rows[y][column + std::size_t(x)] == '#')
                        << "'" << *ch << "' at " << x << "," << y;
            column += std::size_t(glyph.width) + 1;
        }
    }
}

TEST(FontData, EveryVisibleGlyphIsCroppedTightAndSpaceIsBlank)
{
    // Lit pixels in the first and last column make a drawn line exactly as
    // wide as MeasureText says; the text code supplies the gaps.
    for (int c = 33; c <= 126; ++c) {
        const auto &glyph = GlyphFor(c);
        ASSERT_GE(glyph.width, 1) << char(c);
        ASSERT_LE(glyph.width, rlp::font::kMaxGlyphWidth) << char(c);
        bool left = false, right = false;
        for (int y = 0; y < kCellHeight; ++y) {
            left = left || glyph.Lit(0, y);
            right = right || glyph.Lit(glyph.width - 1, y);
        }
        EXPECT_TRUE(left && right) << "'" << char(c) << "' has an empty edge column";
    }
    const auto &space = GlyphFor(' ');
    for (int y = 0; y < kCellHeight; ++y)
        EXPECT_EQ(space.rows[y], 0) << y;
}

TEST(FontData, DesignKeepsCharactersApartAndOnTheirLines)
{
    for (int a = 32; a <= 126; ++a)
        for (int b = a + 1; b <= 126; ++b)
            EXPECT_FALSE(GlyphFor(a).width == GlyphFor(b).width && GlyphFor(a).rows == GlyphFor(b).rows)
                << "'" << char(a) << "' and '" << char(b) << "' look the same";
    auto rowsLit = [](char c, int from, int to) {
        for (int y = from; y <= to; ++y)
            if (GlyphFor(c).rows[y] != 0) return true;
        return false;
    };
    for (char c : std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789")) {
        EXPECT_TRUE(rowsLit(c, 1, 1) && rowsLit(c, 7, 7)) << c << " should span the cap height, rows 1-7";
        EXPECT_FALSE(rowsLit(c, 0, 0) || rowsLit(c, 8, 9)) << c << " should stay within rows 1-7";
    }
    for (char c : std::string("acemnorsuvwxz"))
        EXPECT_TRUE(!rowsLit(c, 0, 2) && rowsLit(c, 3, 3) && rowsLit(c, 7, 7) && !rowsLit(c, 8, 9)) << c;
    for (char c : std::string("gjpqy"))
        EXPECT_TRUE(rowsLit(c, 8, 9)) << c << " needs a descender";
}

TEST(FontData, EveryGlyphHasTheWidthOfItsClass)
{
    // Layouts built on raylib's default font depend on these widths, so
    // each printable character must sit in exactly one class.
    struct WidthClass {
        int width;
        std::string_view chars;
    };
    const WidthClass classes[] = {
        {1, "!.:;i|"},
        {2, "',1[]jl`"},
        {3, " ()<>I^{}"},
        {4, "\"-=ft~"},
        {5, "$*+023456789JL_abcdeghkmnopqrsuvwxyz"},
        {6, "#&?ABCDEFGHKNOPQRSUXYZ"},
        {7, "%/@MTVW\\"},
    };
    std::multiset<int> listed;
    for (const WidthClass &wc : classes) {
        for (char c : wc.chars) {
            listed.insert(static_cast<unsigned char>(c));
            EXPECT_EQ(W(c), wc.width) << "'" << c << "'";
        }
    }
    for (int c = 32; c <= 126; ++c)
        EXPECT_EQ(listed.count(c), 1u) << "'" << char(c) << "' should be in exactly one width class";
}

TEST(FontData, CodesOutsidePrintableAsciiUseTheQuestionMark)
{
    const auto *question = &GlyphFor('?');
    for (int code : {INT_MIN, -1, 0, 9, 10, 31, 127, 128, 255, 256, INT_MAX})
        EXPECT_EQ(&GlyphFor(code), question) << code;
    EXPECT_NE(&GlyphFor(' '), question);
    EXPECT_NE(&GlyphFor('~'), question);
}

TEST(FontAtlas, HoldsEveryGlyphWhiteOnClearWithGaps)
{
    const rlp::font::AtlasImage atlas = rlp::font::BuildAtlas();
    ASSERT_GT(atlas.width, 0);
    ASSERT_EQ(atlas.rgba.size(), std::size_t(atlas.width) * atlas.height * 4);
    std::vector<int> owner(std::size_t(atlas.width) * atlas.height, -1);
    auto pixel = [&](int x, int y) { return &atlas.rgba[(std::size_t(y) * atlas.width + x) * 4]; };
    for (int c = 32; c <= 126; ++c) {
        const auto &glyph = GlyphFor(c);
        // The glyph plus a one-pixel ring must fit and overlap no other glyph.
        ASSERT_GE(glyph.atlasX, 1) << char(c);
        ASSERT_GE(glyph.atlasY, 1) << char(c);
        ASSERT_LE(glyph.atlasX + glyph.width + 1, atlas.width) << char(c);
        ASSERT_LE(glyph.atlasY + kCellHeight + 1, atlas.height) << char(c);
        for (int y = 0; y < kCellHeight; ++y) {
            for (int x = 0; x < glyph.width; ++x) {
                int &who = owner[std::size_t(glyph.atlasY + y) * atlas.width + glyph.atlasX + x];
                EXPECT_EQ(who, -1) << "'" << char(c) << "' overlaps '" << char(who) << "'";
                who = c;
                const unsigned char *p = pixel(glyph.atlasX + x, glyph.atlasY + y);
                const unsigned char want = glyph.Lit(x, y) ? 255 : 0;
                EXPECT_TRUE(p[0] == want && p[1] == want && p[2] == want && p[3] == want)
                    << "'" << char(c) << "' at " << x << "," << y;
            }
        }
        for (int y = -1; y <= kCellHeight; ++y)
            for (int x : {-1, glyph.width})
                EXPECT_EQ(pixel(glyph.atlasX + x, glyph.atlasY + y)[3], 0) << char(c);
    }
    // Outside the glyphs nothing is lit.
    for (int y = 0; y < atlas.height; ++y)
        for (int x = 0; x < atlas.width; ++x)
            if (owner[std::size_t(y) * atlas.width + x] == -1) {
                EXPECT_EQ(pixel(x, y)[3], 0) << x << "," << y;
            }
}

TEST(MeasureText, EmptyNullAndBareLineBreaksMeasureZero)
{
    for (int size : {0, 10, 20, 37}) {
        EXPECT_EQ(MeasureText(nullptr, size), 0);
        EXPECT_EQ(MeasureText("", size), 0);
        EXPECT_EQ(MeasureText("\n", size), 0);
        EXPECT_EQ(MeasureText("\n\n\n", size), 0);
    }
}

TEST(MeasureText, MatchesRaylibsDefaultFontLayouts)
{
    struct Case {
        const char *text;
        int size;
        int width;
    };
    const Case cases[] = {
        {"DEAD-", 32, 101},
        {"NEW GAME", 20, 108},
        {"Level 1", 10, 33},
        {"Hello World", 13, 71},
        {"Return to shop: Q", 10, 91},
        {"  ", 10, 7},  // a space advances 3 pixels plus the spacing
        {"a b", 10, 15},
        {"a ", 20, 18},
        // The widest line (DEAD-, 28 pixels of glyphs) and the line with the
        // most characters (Level 1, 7 of them) each bring their own part.
        {"Level 1\nDEAD-", 10, 28 + 6},
        {"DEAD-\nLevel 1\n", 10, 28 + 6},
        {"NEW GAME\n\nDEAD-", 20, 108},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MeasureText(c.text, c.size), c.width) << '"' << c.text << "\" at " << c.size;
}

TEST(MeasureText, SingleCharacterIsItsGlyphWidthScaled)
{
    for (int c = 32; c <= 126; ++c) {
        const char text[2] = {char(c), '\0'};
        EXPECT_EQ(MeasureText(text, 10), W(char(c))) << char(c);
        EXPECT_EQ(MeasureText(text, 20), 2 * W(char(c))) << char(c);
        EXPECT_EQ(MeasureText(text, 30), 3 * W(char(c))) << char(c);
    }
}

TEST(MeasureText, SpacingAndScaleFollowTheSize)
{
    const int sum = W('L') + W('v') + W('3');
    EXPECT_EQ(MeasureText("Lv3", 10), sum + 2 * 1);
    EXPECT_EQ(MeasureText("Lv3", 20), 2 * sum + 2 * 2);
    EXPECT_EQ(MeasureText("Lv3", 25), int(2.5 * sum) + 2 * 2);  // spacing 25 / 10 = 2
    EXPECT_EQ(MeasureText("Lv3", 29), int(2.9f * float(sum)) + 2 * 2);
    EXPECT_EQ(MeasureText("Lv3", 30), 3 * sum + 2 * 3);
    for (int size : {9, 1, 0, -5, INT_MIN})
        EXPECT_EQ(MeasureText("Lv3", size), MeasureText("Lv3", 10)) << size;
    EXPECT_EQ(MeasureText("Lv3", INT_MAX), INT_MAX);
}

TEST(MeasureText, LinesAreMeasuredApartAndTheWidestWins)
{
    EXPECT_EQ(MeasureText("ab\nWWW", 10), 3 * W('W') + 2);
    EXPECT_EQ(MeasureText("WWW\nab", 10), 3 * W('W') + 2);
    EXPECT_EQ(MeasureText("Gold: 5\n", 10), MeasureText("Gold: 5", 10));
    EXPECT_EQ(MeasureText("\n\nGold", 20), MeasureText("Gold", 20));
    // The widest line and the line with most characters can differ; each
    // contributes its own part.
    const int manyNarrow = 6 * W('i'), fewWide = 2 * W('M');
    ASSERT_GT(fewWide, manyNarrow);
    EXPECT_EQ(MeasureText("iiiiii\nMM", 10), fewWide + 5 * 1);
    EXPECT_EQ(MeasureText("MM\niiiiii", 20), 2 * fewWide + 5 * 2);
}

TEST(MeasureText, UnknownCharactersMeasureAsOneQuestionMarkEach)
{
    const int q = W('?');
    // Control characters, DEL, stray bytes, and 2-, 3- and 4-byte UTF-8.
    const char *unknown[] = {
        "\x01", "\t", "\r", "\x7f", "\xff", "\x80", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80"};
    for (const char *text : unknown)
        EXPECT_EQ(MeasureText(text, 10), q) << "bytes of length " << std::strlen(text);
    EXPECT_EQ(MeasureText("a\xC3\xA9z", 10), W('a') + q + W('z') + 2);
    // Sequences cut short by the end of the text or by a plain character.
    EXPECT_EQ(MeasureText("\xE2\x82", 10), q);
    EXPECT_EQ(MeasureText("\xE2"
                          "a",
                          10),
              q + W('a') + 1);
    EXPECT_EQ(MeasureText("\x80\x80", 10), 2 * q + 1);
}

TEST(DrawFPS, ColourAndLabelFollowTheFrameRate)
{
    auto same = [](Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; };
    const Color lime{0, 158, 47, 255}, orange{255, 161, 0, 255}, red{230, 41, 55, 255};
    for (int fps : {30, 60, 144})
        EXPECT_TRUE(same(rlp::text::FpsColor(fps), lime)) << fps;
    for (int fps : {15, 29})
        EXPECT_TRUE(same(rlp::text::FpsColor(fps), orange)) << fps;
    for (int fps : {-1, 0, 14})
        EXPECT_TRUE(same(rlp::text::FpsColor(fps), red)) << fps;
    EXPECT_EQ(rlp::text::FpsLabel(5), " 5 FPS");
    EXPECT_EQ(rlp::text::FpsLabel(60), "60 FPS");
    EXPECT_EQ(rlp::text::FpsLabel(120), "120 FPS");
    EXPECT_EQ(rlp::text::FpsLabel(INT_MIN), std::to_string(INT_MIN) + " FPS");
}

TEST(DrawText, WithoutAWindowThereIsNoFontAndDrawingDoesNothing)
{
    ASSERT_FALSE(IsWindowReady());
    rlp::InitDefaultFont();  // no window: nothing to upload to
    EXPECT_FALSE(rlp::text::DefaultFontReady());
    DrawText("Level 3", 0, 0, 20, WHITE);
    DrawText(nullptr, 0, 0, 20, WHITE);
    DrawText("\xE2\x82", 0, 0, 20, WHITE);
    DrawFPS(0, 0);
    rlp::UnloadDefaultFont();
    EXPECT_FALSE(rlp::text::DefaultFontReady());
    EXPECT_FALSE(IsWindowReady());
}

}  // namespace
