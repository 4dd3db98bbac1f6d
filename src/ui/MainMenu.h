#pragma once

#include "assets/GameAssets.h"
#include "assets/SoundManager.h"
#include <string>

#include "core/GameState.h"
#include "raylib.h"
#include "ui/GUIButton.h"
#include "ui/GUIText.h"
#include "ui/MenuHighlight.h"

// The title screen the program starts on: NEW GAME, SETTINGS, QUIT GAME and
// DAILY RUN, the credits and the character idling in the corner.
class MainMenu {
public:
    GUIText titleText{10, 10, 48, "Tallowfen", WHITE, false};
    GUIText musicCreditText{160, 220, 16, "Music: made with Tallowfen's own synth", WHITE, true};
    GUIText authorCreditText{25, 50, 20, "by team Tallowfen", WHITE, false};
    GUIButton newGameButton{10, 80, 150, 40, GRAY, DARKGRAY, false, GUIText(85, 90, 24, "NEW GAME", BLACK, true), true};
    GUIButton quitButton{85,  130, 150, 40, GRAY, DARKGRAY, false, GUIText(160, 140, 24, "QUIT GAME", BLACK, true),
                         true};
    GUIButton settingsButton{165, 80, 150, 40, GRAY, DARKGRAY, false, GUIText(240, 90, 24, "SETTINGS", BLACK, true),
                             true};
    // In the free corner right of QUIT GAME.
    GUIButton dailyButton{240, 130, 75, 40, GRAY, DARKGRAY, false, GUIText(277, 145, 10, "DAILY RUN", BLACK, true),
                          true};
    MenuHighlight highlight;   // over NEW GAME, SETTINGS, QUIT GAME, DAILY RUN
    bool dailyChosen = false;  // DAILY RUN was pressed this update; Game starts the run
    // The best run kept on disk, set by Game; in the free band under QUIT GAME.
    int bestLevel = 0;  // 0: no best run, nothing shown
    GUIText bestText{160, 188, 16, "", GOLD, true};
    // The level NEW GAME continues a kept run at, set by Game; just above the best line.
    int continueLevel = 0;  // 0: NEW GAME starts a new run, nothing shown
    GUIText continueText{160, 174, 16, "", WHITE, true};
    // Today's daily result, set by Game; between the best line and the credit.
    std::string dailyLine;
    std::string boardLine;  // and what the daily board said of today's counted try, after it
    GUIText dailyText{160, 206, 10, "", SKYBLUE, true};

    MainMenu() = default;

    // `quit` leads to the frame loop's quit flag.
    void update(SoundManager &sound, GameState *state, bool **quit);
    void draw(GameAssets *assets, int animFrame);
};
