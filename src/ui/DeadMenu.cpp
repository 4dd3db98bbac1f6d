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

    if (!IsMouseButtonPressed(MOUSE_BUTTON_LEFT)) return;
    // Either way out ends the run: nothing bought or carried survives a death.
    if (newGameButton.isMouseOn()) {
        runner.reset();
        upgrades.init();
        inventory.reset();
        sound.play("select");
        state = STATE_INGAME;
    }
    if (mainMenuButton.isMouseOn()) {
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
    newGameButton.draw();
    mainMenuButton.draw();
    EndGrainPass();
}
