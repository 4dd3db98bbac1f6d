#include "ui/ControlsMenu.h"

#include <algorithm>
#include <iostream>

#include "options/ActionInput.h"
#include "ui/GrainPass.h"

namespace {

constexpr int kRowTop = 30;
constexpr int kRowStep = 19;
constexpr int kVolumeY = 187;
constexpr int kSmall = 10;

int rowY(int row) { return kRowTop + row * kRowStep; }

GUIButton smallButton(Rectangle r, const char *text)
{
    return GUIButton(int(r.x), int(r.y), int(r.width), int(r.height), GRAY, DARKGRAY, false,
                     GUIText(int(r.x + r.width / 2), int(r.y) + 3, kSmall, text, BLACK, true), true);
}

}  // namespace

Rectangle ControlsMenu::controlRect(int control)
{
    if (control == kBack) return Rectangle{10, 5, 60, 20};  // backButton's
    if (control == kDefaults) return Rectangle{240, 5, 75, 20};
    if (control < kFirstPad) return Rectangle{80, float(rowY(control - kFirstKey)), 130, 16};
    if (control < kMusicDown) return Rectangle{215, float(rowY(control - kFirstPad)), 100, 16};
    const float x[] = {60, 114, 215, 269};
    return Rectangle{x[control - kMusicDown], float(kVolumeY), 16, 16};
}

void ControlsMenu::update(SoundManager &sound, GameState *state, Options &options, bool &volumesChanged)
{
    if (waiting >= 0) {
        capture(options);
        return;
    }
    std::vector<Rectangle> rects;
    for (int i = 0; i < kControls; ++i)
        rects.push_back(controlRect(i));
    const int chosen = highlight.update(rects);
    const bool clicked = IsMouseButtonPressed(MOUSE_BUTTON_LEFT);
    for (int i = 0; i < kControls; ++i) {
        const Rectangle r = rects[size_t(i)];
        if (chosen == i || (clicked && MouseInVirtualRect(int(r.x), int(r.y), int(r.width), int(r.height)))) {
            press(i, sound, state, options, volumesChanged);
            return;
        }
    }
}

void ControlsMenu::press(int control, SoundManager &sound, GameState *state, Options &options, bool &volumesChanged)
{
    sound.play("select");
    if (control == kBack) {
        *state = STATE_SETTINGS;
        std::string problem;
        if (!options.saveToFile(path.c_str(), &problem))
            std::cout << "Error: Could not save the options to " << path << ": " << problem << std::endl;
    } else if (control == kDefaults) {
        options.bindings = Bindings();
    } else if (control < kMusicDown) {
        waitingPad = control >= kFirstPad;
        waiting = control - (waitingPad ? kFirstPad : kFirstKey);
        // Escape must cancel here, not close the game.
        SetExitKey(KEY_NULL);
    } else {
        const int which = control - kMusicDown;
        int &volume = which < 2 ? options.musicVolume : options.effectsVolume;
        volume = std::clamp(volume + (which % 2 == 0 ? -kVolumeStep : kVolumeStep), 0, Options::kMaxVolume);
        volumesChanged = true;
    }
}

void ControlsMenu::capture(Options &options)
{
    // A pad button cancels a wait for a key, so a player on the pad alone is
    // never stuck on it.
    if (IsKeyPressed(KEY_ESCAPE) || (!waitingPad && ActionInput::anyPadPressed() >= 0)) {
        stopWaiting();
        return;
    }
    const Action action = Action(waiting);
    std::string refused;
    if (waitingPad) {
        const int button = ActionInput::anyPadPressed();
        if (button < 0) return;
        refused = options.bindings.bindPad(action, button);
    } else {
        // The fixed keys are no binding's, so only this asks after them.
        int code = ActionInput::anyKeyPressed(Bindings::mouseAllowed(action));
        for (const InputName &fixed : FixedKeys())
            if (code < 0 && IsKeyPressed(fixed.code)) code = fixed.code;
        if (code < 0) return;
        refused = options.bindings.bindKey(action, code);
    }
    if (!refused.empty()) {
        notice = refused;
        return;
    }
    stopWaiting();
}

void ControlsMenu::stopWaiting()
{
    waiting = -1;
    notice.clear();
    SetExitKey(KEY_ESCAPE);
}

void ControlsMenu::draw(GameAssets *assets, const Options &options) const
{
    titleText.draw();
    std::string labels[kControls];
    for (int row = 0; row < kRows; ++row) {
        const Action action = Action(row);
        DrawText(ActionLabel(action), 10, rowY(row) + 3, kSmall, WHITE);
        labels[kFirstKey + row] = Bindings::listText(KeyNames(), options.bindings.keys[action]);
        labels[kFirstPad + row] = Bindings::listText(PadNames(), options.bindings.pad[action]);
    }
    if (waiting >= 0) labels[(waitingPad ? kFirstPad : kFirstKey) + waiting] = "...";
    labels[kMusicDown] = labels[kEffectsDown] = "-";
    labels[kMusicUp] = labels[kEffectsUp] = "+";
    DrawText("Music", 10, kVolumeY + 3, kSmall, WHITE);
    DrawText("Effects", 165, kVolumeY + 3, kSmall, WHITE);
    for (const auto &[volume, centre] : {std::pair{options.musicVolume, 97}, std::pair{options.effectsVolume, 252}}) {
        const std::string text = std::to_string(volume);
        DrawText(text.c_str(), centre - MeasureText(text.c_str(), kSmall) / 2, kVolumeY + 3, kSmall, WHITE);
    }
    const std::string prompt = waiting < 0 ? "Choose a binding, then press its new key or button"
                                           : std::string("Press the new ") + (waitingPad ? "pad button" : "key") +
                                                 " for " + ActionLabel(Action(waiting)) + " - Escape cancels";
    DrawText(prompt.c_str(), 160 - MeasureText(prompt.c_str(), kSmall) / 2, 214, kSmall,
             waiting < 0 ? LIGHTGRAY : GOLD);
    DrawText(notice.c_str(), 160 - MeasureText(notice.c_str(), kSmall) / 2, 227, kSmall, Color{230, 41, 55, 255});

    BeginGrainPass(*assets, MenuGrainTime());
    highlight.drawButton(backButton, kBack);
    highlight.drawButton(defaultsButton, kDefaults);
    for (int i = kFirstKey; i < kControls; ++i) {
        GUIButton button = smallButton(controlRect(i), labels[i].c_str());
        if (waiting >= 0 && labels[i] == "...") button.color = button.hoverColor = GOLD;
        highlight.drawButton(button, i);
    }
    EndGrainPass();
}
