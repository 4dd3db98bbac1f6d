#include "core/Game.h"

Game::Game()
{
    animTick = 0;
    animFrame = 0;
    settings.loadFromFile("data/settings");
    hud.setRunner(&runner);
    shop.setRunner(&runner);
    state = STATE_MENU;
    assets.loadAssets();
    loadSettings();
    upgrades.init();
}

void Game::update(bool *quit)
{
    stepAnimation();
    if (settings.music) musicManager.current.updateMusic(&assets);

    const GameState previous = state;
    switch (state) {
        case STATE_MENU: mainMenu.update(soundManager, &state, &quit); break;
        case STATE_INGAME:
            runner.update(soundManager, state, upgrades, settings.screenshake);
            hud.update();
            break;
        case STATE_DEAD: deadMenu.update(GetFrameTime(), soundManager, state, runner, upgrades, inventory); break;
        case STATE_SHOP: shop.update(soundManager, inventory, upgrades, state); break;
        case STATE_SETTINGS: {
            bool changed = false;
            settingsMenu.update(soundManager, &state, &settings, changed);
            if (changed) loadSettings();
            break;
        }
        default: break;
    }
    enterState(previous);
}

void Game::draw()
{
    switch (state) {
        case STATE_MENU: mainMenu.draw(&assets, animFrame); break;
        case STATE_INGAME:
            runner.draw(&assets, animFrame, animTick, upgrades);
            hud.draw(&assets, animFrame, runner.getMapRef());
            break;
        case STATE_DEAD: deadMenu.draw(assets); break;
        case STATE_SHOP: shop.draw(assets, animFrame, upgrades); break;
        case STATE_SETTINGS: settingsMenu.draw(&assets, animFrame); break;
        default: break;
    }
}

void Game::loadSettings()
{
    if (settings.music) musicManager.current.startMusic(&assets);
    soundManager.enabled = settings.sound;
    settingsMenu.musicBox.ticked = settings.music;
    settingsMenu.soundBox.ticked = settings.sound;
    settingsMenu.screenshakeBox.ticked = settings.screenshake;
}

void Game::stepAnimation()
{
    animTick += 1;
    if (animTick > 12) {
        animFrame += 1;
        animTick = 0;
    }
    if (animFrame > 3) animFrame = 0;
}

void Game::startNewGameAt(int level)
{
    const GameState previous = state;
    runner.level = level - 1;
    state = STATE_INGAME;
    enterState(previous);
}

void Game::enterState(GameState previous)
{
    // Play begins: the level is built before its first frame is drawn.
    if (previous != STATE_INGAME && state == STATE_INGAME) runner.startLevel(upgrades);
    switchTrack(previous);
}

void Game::switchTrack(GameState previous)
{
    // Only play beginning or ending changes the track; moves between the
    // other screens keep it playing. With music off nothing is swapped.
    if (state == previous || !settings.music) return;
    const char *next = nullptr;
    if (previous == STATE_INGAME)
        next = "menu";
    else if (state == STATE_INGAME)
        next = "ingame";
    if (next == nullptr) return;

    musicManager.current.stopMusic(&assets);
    musicManager.swapTrack(next);
    if (GetMusicTimePlayed(musicManager.current.fetch(&assets)) > 0.0f)
        musicManager.current.resumeMusic(&assets);
    else
        musicManager.current.startMusic(&assets);
}
