#include "ui/DeadMenu.h"

#include "ui/GrainPass.h"

DeadMenu::DeadMenu() : wrapX(float(MeasureText("DEAD-", 32)) + -100.0f) {}

void DeadMenu::update(float /*frameTime*/, SoundManager &sound, GameState &state, GameRunner &runner,
                      Upgrades &upgrades, Inventory &inventory)
{
    if (scrollX >= wrapX) {
        scrollX = -100.0f - wrapX;
        scrollX -= scrollSpeed;
    }
    scrollX += scrollSpeed;
    bannerText.setPos(int(scrollX), 5);

    const int chosen = highlight.update({ControlRect(newGameButton), ControlRect(mainMenuButton)});
    const bool pressed = IsMouseButtonPressed(MOUSE_BUTTON_LEFT);
    if (!pressed && chosen < 0) return;
    // Either way out ends the run: nothing bought or carried survives a death.
    if ((pressed && newGameButton.isMouseOn()) || chosen == 0) {
        runner.reset();
        upgrades.init();
        inventory.reset();
        sound.play("select");
        state = STATE_INGAME;
    }
    if ((pressed && mainMenuButton.isMouseOn()) || chosen == 1) {
        runner.reset();
        upgrades.init();
        inventory.reset();
        sound.play("select");
        state = STATE_MENU;
    }
}

void DeadMenu::draw(GameAssets &assets)
{
    bannerText.draw();
    subtitleText.draw();

    BeginGrainPass(assets, MenuGrainTime());
    highlight.drawButton(newGameButton, 0);
    highlight.drawButton(mainMenuButton, 1);
    EndGrainPass();

    chart.draw();
    // Between the subtitle and the buttons, where the run's fate is read first.
    if (!boardLine.empty()) DrawText(boardLine.c_str(), 10, 78, 10, SKYBLUE);
}
