#include "core/Game.h"

Game::Game()
{
    animTick = 0;
    animFrame = 0;
    settings.loadFromFile("data/settings");
    state = STATE_MENU;
    assets.loadAssets();
    loadSettings();
    upgrades.init();
}

void Game::update(bool *quit)
{
    (void)quit;  // the main menu sets it
    stepAnimation();
    if (settings.music) musicManager.current.updateMusic(&assets);

    const GameState previous = state;
    switch (state) {
        case STATE_INGAME: runner.update(soundManager, state, upgrades, settings.screenshake); break;
        default: break;
    }
    enterState(previous);
}

void Game::draw()
{
    switch (state) {
        case STATE_INGAME: runner.draw(&assets, animFrame, animTick, upgrades); break;
        default: break;
    }
}

void Game::loadSettings()
{
    if (settings.music) musicManager.current.startMusic(&assets);
    soundManager.enabled = settings.sound;
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
