#include "ui/SettingsMenu.h"

#include "ui/GrainPass.h"

void SettingsMenu::update(SoundManager &sound, GameState *state, GameSettings *settings, bool &changed)
{
    if (savedTimer > 0) savedTimer -= 1;

    // A box writes its switch at once, so the boxes always show the switches
    // in memory; only Save makes them last.
    const int chosen =
        highlight.update({ControlRect(musicBox), ControlRect(soundBox), ControlRect(screenshakeBox),
                          ControlRect(backButton), ControlRect(saveButton), ControlRect(controlsButton)});
    const bool pressed = IsMouseButtonPressed(MOUSE_BUTTON_LEFT);
    if ((pressed && musicBox.isMouseOn()) || chosen == 0) {
        musicBox.tick();
        settings->music = musicBox.ticked;
    }
    if ((pressed && soundBox.isMouseOn()) || chosen == 1) {
        soundBox.tick();
        settings->sound = soundBox.ticked;
    }
    if ((pressed && screenshakeBox.isMouseOn()) || chosen == 2) {
        screenshakeBox.tick();
        settings->screenshake = screenshakeBox.ticked;
    }
    if ((pressed && backButton.isMouseOn()) || chosen == 3) {
        sound.play("select");
        *state = STATE_MENU;
    }
    if ((pressed && saveButton.isMouseOn()) || chosen == 4) {
        sound.play("select");  // before the switches apply, so even muting plays it
        savedTimer = 60;
        saveFailed = !settings->saveToFile(path.c_str());
        // Reading back a file that was not written would undo the switches
        // just chosen with whatever an older save left there.
        if (!saveFailed) settings->loadFromFile(path.c_str());
        changed = true;
    }
    if ((pressed && controlsButton.isMouseOn()) || chosen == 5) {
        sound.play("select");
        *state = STATE_CONTROLS;
    }
}

void SettingsMenu::draw(GameAssets *assets, int /*animFrame*/)
{
    titleText.draw();
    if (savedTimer > 0) {
        if (saveFailed)
            failedText.draw();
        else
            savedText.draw();
    }
    musicLabel.draw();
    highlight.drawCheckbox(musicBox, 0);
    soundLabel.draw();
    highlight.drawCheckbox(soundBox, 1);
    screenshakeLabel.draw();
    highlight.drawCheckbox(screenshakeBox, 2);

    BeginGrainPass(*assets, MenuGrainTime());
    highlight.drawButton(backButton, 3);
    highlight.drawButton(saveButton, 4);
    highlight.drawButton(controlsButton, 5);
    EndGrainPass();
}
