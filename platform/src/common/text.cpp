// Text with the built-in pixel font: DrawText, MeasureText, DrawFPS, and the
// default font's atlas texture.
#include <algorithm>
#include <climits>
#include <cstdio>

#include "font_data.h"
#include "internal.h"
#include "text.h"

namespace {

// The uploaded default font: one texture holding every glyph.
struct DefaultFont {
    Texture2D atlas{};
    bool ready = false;
};

DefaultFont g_font;

// Size, gap between characters and glyph scale for a requested font size.
struct TextMetrics {
    int size;
    int spacing;
    float scale;
};

TextMetrics MetricsFor(int fontSize)
{
    const int size = std::max(fontSize, rlp::font::kCellHeight);
    return TextMetrics{size, size / rlp::font::kCellHeight, float(size) / float(rlp::font::kCellHeight)};
}

// Reads one character and moves past it. A multi-byte UTF-8 sequence is one
// character the font lacks (-1), so "é" costs one fallback glyph, not two;
// only continuation bytes are consumed, so a cut-off sequence never skips
// the terminating NUL.
int NextChar(const char *&p)
{
    const unsigned char lead = static_cast<unsigned char>(*p++);
    if (lead < 0x80) return lead;
    int extra = 0;
    if (lead >= 0xC0 && lead < 0xE0)
        extra = 1;
    else if (lead >= 0xE0 && lead < 0xF0)
        extra = 2;
    else if (lead >= 0xF0 && lead < 0xF8)
        extra = 3;
    for (; extra > 0 && (static_cast<unsigned char>(*p) & 0xC0) == 0x80; --extra)
        ++p;
    return -1;
}

}  // namespace

namespace rlp {

void InitDefaultFont()
{
    if (g_font.ready) return;
    const font::AtlasImage image = font::BuildAtlas();
    const Texture2D atlas = CreateTextureRGBA(image.width, image.height, image.rgba.data());
    // Without a window there is no texture; DrawText then stays a no-op.
    if (atlas.id == 0) return;
    g_font.atlas = atlas;
    g_font.ready = true;
    TraceLog(LOG_INFO, "FONT: Default font loaded successfully (%i glyphs)", font::kGlyphCount);
}

void UnloadDefaultFont()
{
    if (!g_font.ready) return;
    UnloadTexture(g_font.atlas);
    g_font = DefaultFont{};
}

namespace text {

Color FpsColor(int fps)
{
    if (fps < 15) return RED;
    if (fps < 30) return ORANGE;
    return LIME;
}

std::string FpsLabel(int fps)
{
    char label[32];
    std::snprintf(label, sizeof label, "%2i FPS", fps);
    return label;
}

bool DefaultFontReady() { return g_font.ready; }

}  // namespace text

}  // namespace rlp

extern "C" {

void DrawText(const char *text, int posX, int posY, int fontSize, Color color)
{
    if (text == nullptr || !g_font.ready) return;
    const TextMetrics metrics = MetricsFor(fontSize);
    const float cellHeight = float(rlp::font::kCellHeight);
    // Float pens: at sizes like 25 glyph advances are fractional, and
    // rounding each one would drift away from what MeasureText reports.
    float penX = float(posX);
    float penY = float(posY);
    for (const char *p = text; *p != '\0';) {
        const int code = NextChar(p);
        if (code == '\n') {
            penX = float(posX);
            penY += float(metrics.size) + 2.0f;
            continue;
        }
        const rlp::font::Glyph &glyph = rlp::font::GlyphFor(code);
        const float width = float(glyph.width) * metrics.scale;
        if (code != ' ') {
            const Rectangle source{float(glyph.atlasX), float(glyph.atlasY), float(glyph.width), cellHeight};
            const Rectangle dest{penX, penY, width, cellHeight * metrics.scale};
            DrawTexturePro(g_font.atlas, source, dest, Vector2{0.0f, 0.0f}, 0.0f, color);
        }
        penX += width + float(metrics.spacing);
    }
}

int MeasureText(const char *text, int fontSize)
{
    if (text == nullptr || *text == '\0') return 0;
    const TextMetrics metrics = MetricsFor(fontSize);
    // Widest line and longest line are tracked apart, as the result adds the
    // spacing for the most characters on any line to the widest line.
    long long lineWidth = 0, widest = 0;
    long long lineChars = 0, mostChars = 0;
    for (const char *p = text; *p != '\0';) {
        const int code = NextChar(p);
        if (code == '\n') {
            lineWidth = 0;
            lineChars = 0;
            continue;
        }
        lineWidth += rlp::font::GlyphFor(code).width;
        ++lineChars;
        widest = std::max(widest, lineWidth);
        mostChars = std::max(mostChars, lineChars);
    }
    // Text made only of line breaks has no characters and so no width.
    if (mostChars == 0) return 0;
    const float width = float(widest) * metrics.scale + float(metrics.spacing) * float(mostChars - 1);
    // Huge font sizes must not turn into an out-of-range float-to-int cast.
    if (width >= float(INT_MAX)) return INT_MAX;
    return static_cast<int>(width);
}

void DrawFPS(int posX, int posY)
{
    const int fps = GetFPS();
    DrawText(rlp::text::FpsLabel(fps).c_str(), posX, posY, 20, rlp::text::FpsColor(fps));
}

}  // extern "C"
