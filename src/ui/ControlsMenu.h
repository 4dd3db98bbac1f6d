#pragma once

#include <string>
#include <vector>

#include "assets/GameAssets.h"
#include "assets/SoundManager.h"
#include "core/GameState.h"
#include "options/Options.h"
#include "raylib.h"
#include "ui/GUIButton.h"
#include "ui/GUIText.h"
#include "ui/MenuHighlight.h"

// The screen for rebinding and the two volumes, reached from the settings.
// An action's key or pad button is chosen, then the next key or button
// pressed takes its place (Escape cancels); a key it cannot take is refused
// with the reason shown, and the screen waits on. Back saves the options.
class ControlsMenu {
public:
    static constexpr int kRows = ACTION_COUNT;
    static constexpr int kVolumeStep = 10;
    // Control numbers, as the highlight counts them.
    static constexpr int kBack = 0, kDefaults = 1, kFirstKey = 2, kFirstPad = kFirstKey + kRows,
                         kMusicDown = kFirstPad + kRows, kMusicUp = kMusicDown + 1, kEffectsDown = kMusicDown + 2,
                         kEffectsUp = kMusicDown + 3, kControls = kMusicDown + 4;

    GUIText titleText{160, 6, 20, "Controls", WHITE, true};
    GUIButton backButton{10, 5, 60, 20, GRAY, DARKGRAY, false, GUIText(40, 8, 15, "Back", BLACK, true), true};
    GUIButton defaultsButton{240, 5, 75, 20, GRAY, DARKGRAY, false, GUIText(277, 8, 15, "Defaults", BLACK, true), true};
    MenuHighlight highlight;
    int waiting = -1;                   // the action waiting for its new binding, or -1
    bool waitingPad = false;            // for a pad button rather than a key
    std::string notice;                 // why the last key or button was refused
    std::string path = "data/options";  // the game points it into its save folder

    // Setting `volumesChanged` asks the game to apply the volumes at once.
    void update(SoundManager &sound, GameState *state, Options &options, bool &volumesChanged);
    void draw(GameAssets *assets, const Options &options) const;

    // Where each control sits, in control-number order.
    static Rectangle controlRect(int control);

private:
    void press(int control, SoundManager &sound, GameState *state, Options &options, bool &volumesChanged);
    void capture(Options &options);
    void stopWaiting();
};
