#pragma once

#include <string>

#include "assets/GameAssets.h"
#include "assets/SoundManager.h"
#include "core/GameSettings.h"
#include "core/GameState.h"
#include "raylib.h"
#include "ui/GUIButton.h"
#include "ui/GUICheckbox.h"
#include "ui/GUIText.h"
#include "ui/MenuHighlight.h"

// The screen for the three switches: a checkbox each, Back to the main menu,
// Save, which writes them to the settings file and has the game apply them,
// and Controls, the way to the controls and volume screen.
class SettingsMenu {
public:
    GUIText titleText{200, 10, 32, "Settings", WHITE, true};
    GUIButton backButton{10, 10, 100, 30, GRAY, DARKGRAY, false, GUIText(60, 15, 25, "Back", BLACK, true), true};
    GUIButton saveButton{10, 190, 100, 30, GRAY, DARKGRAY, false, GUIText(60, 195, 25, "Save", BLACK, true), true};
    int savedTimer = 0;  // updates left during which the save message shows
    // Bottom right, clear of everything else here.
    GUIButton controlsButton{200, 190, 110, 30, GRAY, DARKGRAY, false, GUIText(255, 196, 20, "Controls", BLACK, true),
                             true};
    GUIText savedText{60, 165, 25, "Saved :)", GREEN, true};
    GUIText musicLabel{10, 50, 25, "Music Enabled: ", WHITE, false};
    GUIText soundLabel{10, 80, 25, "Sound Enabled: ", WHITE, false};
    GUIText screenshakeLabel{10, 110, 25, "Screenshake: ", WHITE, false};
    GUICheckbox musicBox{200, 57, 10, 10, false};
    GUICheckbox soundBox{200, 87, 10, 10, false};
    GUICheckbox screenshakeBox{200, 117, 10, 10, false};
    // The last save could not be written: `failedText` shows in place of
    // `savedText` for the same time.
    bool saveFailed = false;
    // Wider than "Saved :)": centred further right, it starts at x 10 like
    // the labels instead of off the screen's left edge.
    GUIText failedText{74, 165, 25, "Not saved!", RED, true};
    MenuHighlight highlight;             // over the three boxes, Back, Save, Controls
    std::string path = "data/settings";  // the game points it into its save folder

    SettingsMenu() = default;

    // Setting `changed` asks the game to apply the settings at once.
    void update(SoundManager &sound, GameState *state, GameSettings *settings, bool &changed);
    void draw(GameAssets *assets, int animFrame);
};
