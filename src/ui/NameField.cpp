#include "ui/NameField.h"

#include "options/Options.h"
#include "raylib.h"

namespace {

constexpr int kLeft = 30, kTop = 78, kWidth = 260, kHeight = 84;

// A box with a one-pixel border.
void box(int x, int y, int w, int h, Color border, Color fill)
{
    DrawRectangle(x, y, w, h, border);
    DrawRectangle(x + 1, y + 1, w - 2, h - 2, fill);
}

}  // namespace

int NameField::characters() const
{
    int count = 0;
    for (char c : text)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    return count;
}

void NameField::type(int codepoint)
{
    if (codepoint < 0x20 || codepoint == 0x7f || (codepoint >= 0x80 && codepoint < 0xA0) || codepoint > 0x10FFFF ||
        (codepoint >= 0xD800 && codepoint <= 0xDFFF) || characters() >= kMaxCharacters)
        return;
    const auto u = static_cast<unsigned>(codepoint);
    if (u < 0x80) {
        text += char(u);
    } else if (u < 0x800) {
        text += char(0xC0 | (u >> 6));
        text += char(0x80 | (u & 0x3F));
    } else if (u < 0x10000) {
        text += char(0xE0 | (u >> 12));
        text += char(0x80 | ((u >> 6) & 0x3F));
        text += char(0x80 | (u & 0x3F));
    } else {
        text += char(0xF0 | (u >> 18));
        text += char(0x80 | ((u >> 12) & 0x3F));
        text += char(0x80 | ((u >> 6) & 0x3F));
        text += char(0x80 | (u & 0x3F));
    }
}

void NameField::erase()
{
    while (!text.empty()) {
        const bool continuation = (static_cast<unsigned char>(text.back()) & 0xC0) == 0x80;
        text.pop_back();
        if (!continuation) break;
    }
}

bool NameField::update(std::string *given)
{
    for (int c = GetCharPressed(); c != 0; c = GetCharPressed()) type(c);
    if (IsKeyPressed(KEY_BACKSPACE)) erase();
    if (IsKeyPressed(KEY_ESCAPE)) {
        *given = "";
        open = false;
        return true;
    }
    if (!IsKeyPressed(KEY_ENTER) && !IsKeyPressed(KEY_KP_ENTER)) return false;
    const std::string name = Options::cleanBoardName(text);
    if (name.empty()) {
        problem = "A name is 1 to 16 characters";
        return false;
    }
    *given = name;
    open = false;
    return true;
}

void NameField::draw() const
{
    box(kLeft, kTop, kWidth, kHeight, SKYBLUE, Color{20, 20, 28, 255});
    const char *title = "Your name on the daily board:";
    DrawText(title, 160 - MeasureText(title, 10) / 2, kTop + 8, 10, SKYBLUE);
    if (!problem.empty()) DrawText(problem.c_str(), 160 - MeasureText(problem.c_str(), 10) / 2, kTop + 22, 10, GOLD);
    box(kLeft + 30, kTop + 36, kWidth - 60, 18, WHITE, BLACK);
    // The caret blinks on the clock: it is seen, not played.
    const std::string shown = text + ((long long)(GetTime() * 2.0) % 2 == 0 ? "_" : "");
    DrawText(shown.c_str(), kLeft + 35, kTop + 40, 10, WHITE);
    const char *hint = "Enter sends the run, Escape skips";
    DrawText(hint, 160 - MeasureText(hint, 10) / 2, kTop + 64, 10, LIGHTGRAY);
}
