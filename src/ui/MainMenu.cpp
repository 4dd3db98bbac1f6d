#include "ui/MainMenu.h"

#include <string>

#include "ui/GrainPass.h"

void MainMenu::update(SoundManager &sound, GameState *state, bool **quit)
{
    const int chosen = highlight.update(
        {ControlRect(newGameButton), ControlRect(settingsButton), ControlRect(quitButton), ControlRect(dailyButton)});
    const bool pressed = IsMouseButtonPressed(MOUSE_BUTTON_LEFT);
    dailyChosen = (pressed && dailyButton.isMouseOn()) || chosen == 3;
    if (dailyChosen) sound.play("select");
    if ((pressed && newGameButton.isMouseOn()) || chosen == 0) {
        *state = STATE_INGAME;
        sound.play("select");
    }
    if ((pressed && quitButton.isMouseOn()) || chosen == 2) {
        if (quit != nullptr && *quit != nullptr) **quit = true;
        sound.play("select");
    }
    if ((pressed && settingsButton.isMouseOn()) || chosen == 1) {
        *state = STATE_SETTINGS;
        sound.play("select");
    }
}

void MainMenu::draw(GameAssets *assets, int animFrame)
{
    BeginGrainPass(*assets, MenuGrainTime());
    highlight.drawButton(quitButton, 2);
    highlight.drawButton(settingsButton, 1);
    highlight.drawButton(newGameButton, 0);
    highlight.drawButton(dailyButton, 3);
    EndGrainPass();

    titleText.draw();
    authorCreditText.draw();
    musicCreditText.draw();
    if (continueLevel > 0) {
        const std::string text = "NEW GAME continues level " + std::to_string(continueLevel);
        GUIText line = continueText;
        line.text = text.c_str();
        line.draw();
    }
    if (!dailyLine.empty()) {
        const std::string text = boardLine.empty() ? dailyLine : dailyLine + ". " + boardLine;
        GUIText line = dailyText;
        line.text = text.c_str();
        line.draw();
    }
    if (bestLevel > 0) {
        const std::string text = "Best: level " + std::to_string(bestLevel);
        GUIText line = bestText;
        line.text = text.c_str();
        line.draw();
    }

    // The standing row of the player's strip, four times its size.
    const Rectangle source{16.0f * float(animFrame % 4), 0.0f, 16.0f, 16.0f};
    const Rectangle dest{225.0f, 0.0f, 64.0f, 64.0f};
    DrawTexturePro(assets->fetchTexture("crab"), source, dest, Vector2{0.0f, 0.0f}, 0.0f, WHITE);
}
