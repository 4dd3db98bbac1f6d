#include "ui/MenuHighlight.h"

#include <cmath>
#include <limits>

#include "core/VirtualScreen.h"

namespace {

Vector2 centreOf(const Rectangle &r) { return Vector2{r.x + r.width / 2.0f, r.y + r.height / 2.0f}; }

// Some controls look the same hovered or not (a red Buy button, any
// checkbox): a frame behind them shows where the highlight is.
void drawFrame(const Rectangle &r)
{
    DrawRectangle(int(r.x) - 2, int(r.y) - 2, int(r.width) + 4, int(r.height) + 4, GOLD);
}

bool sameColor(Color a, Color b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

}  // namespace

Rectangle ControlRect(const GUIButton &button)
{
    return Rectangle{float(button.x), float(button.y), float(button.width), float(button.height)};
}

Rectangle ControlRect(const GUICheckbox &box)
{
    return Rectangle{float(box.x), float(box.y), float(box.width), float(box.height)};
}

int NextControl(const std::vector<Rectangle> &controls, int from, StepDirection direction)
{
    if (from < 0 || from >= int(controls.size())) return 0;
    const Vector2 start = centreOf(controls[from]);
    int best = from;
    float bestScore = std::numeric_limits<float>::max();
    for (int i = 0; i < int(controls.size()); ++i) {
        const Vector2 c = centreOf(controls[i]);
        const float dx = c.x - start.x, dy = c.y - start.y;
        const float along = dx * float(direction.x) + dy * float(direction.y);
        const float across = std::fabs(dx * float(direction.y) - dy * float(direction.x));
        if (i == from || along <= 0.0f) continue;
        const float score = along + 2.0f * across;
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return best;
}

int MenuHighlight::update(const std::vector<Rectangle> &controls)
{
    const bool mouseUsed = mouseWatch.used(GetVirtualMousePos(), IsVirtualClick());
    return step(controls, GamepadInput::read(), mouseUsed);
}

int MenuHighlight::step(const std::vector<Rectangle> &controls, const GamepadInput &pad, bool mouseUsed)
{
    if (mouseUsed) shown = false;
    if (index >= int(controls.size())) index = 0;
    // The first touch only shows where the highlight stands: nothing moves
    // or is pressed that the player could not see.
    const StepDirection move = repeat.update(pad.menu);
    if (!move.none()) {
        if (shown) index = NextControl(controls, index, move);
        shown = true;
    }
    if (!pad.pressedA) return -1;
    if (!shown) {
        shown = true;
        return -1;
    }
    return controls.empty() ? -1 : index;
}

void MenuHighlight::drawButton(const GUIButton &button, int control) const
{
    if (!shown) {
        button.draw();
        return;
    }
    if (lit(control) && sameColor(button.color, button.hoverColor)) drawFrame(ControlRect(button));
    button.drawAs(lit(control));
}

void MenuHighlight::drawCheckbox(const GUICheckbox &box, int control) const
{
    if (lit(control)) drawFrame(ControlRect(box));
    box.draw();
}
