#include "ui/MainMenu.h"

#include "ui/GrainPass.h"

void MainMenu::update(SoundManager &sound, GameState *state, bool **quit)
{
    const bool pressed = IsMouseButtonPressed(MOUSE_BUTTON_LEFT);
    if (pressed && newGameButton.isMouseOn()) {
        *state = STATE_INGAME;
        sound.play("select");
    }
    if (pressed && quitButton.isMouseOn()) {
        if (quit != nullptr && *quit != nullptr) **quit = true;
        sound.play("select");
    }
    if (pressed && settingsButton.isMouseOn()) {
        *state = STATE_SETTINGS;
        sound.play("select");
    }
}

void MainMenu::draw(GameAssets *assets, int animFrame)
{
    BeginGrainPass(*assets, MenuGrainTime());
    quitButton.draw();
    settingsButton.draw();
    newGameButton.draw();
    EndGrainPass();

    titleText.draw();
    authorCreditText.draw();
    musicCreditText.draw();

    // The standing row of the player's strip, four times its size.
    const Rectangle source{16.0f * float(animFrame % 4), 0.0f, 16.0f, 16.0f};
    const Rectangle dest{225.0f, 0.0f, 64.0f, 64.0f};
    DrawTexturePro(assets->fetchTexture("crab"), source, dest, Vector2{0.0f, 0.0f}, 0.0f, WHITE);
}
