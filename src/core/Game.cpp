#include "core/Game.h"

#include <iostream>
#include <string>
#include <utility>

#include "system/StepClock.h"

Game::Game(SaveFolder saveFolder, bool continueRun, bool headless) : saves(std::move(saveFolder)), headless(headless)
{
    animTick = 0;
    animFrame = 0;
    hud.setRunner(&runner);
    shop.setRunner(&runner);
    if (headless) {
        settings.music = false;
        soundManager.enabled = false;
        upgrades.init();
        return;
    }
    demo.recorder.folder = saves.file("demos");
    settingsMenu.path = saves.file("settings");
    settings.loadFromFile(settingsMenu.path.c_str());
    state = STATE_MENU;
    assets.loadAssets();
    // The saved volumes go on every sound and track before loadSettings starts
    // the music, so nothing is heard louder than its volume, from the first sample.
    std::string problem;
    controlsMenu.path = saves.file("options");
    options.loadFromFile(controlsMenu.path.c_str(), &problem);
    if (!problem.empty())
        std::cout << "Ignoring what is damaged in " << controlsMenu.path << ": " << problem << std::endl;
    runner.bindings = &options.bindings;
    pause.bindings = &options.bindings;
    applyVolumes();
    loadSettings();
    // The catalogue comes last, its lines after whatever the files said.
    upgrades.init();
    problem.clear();
    const std::string bestPath = saves.file("best");
    best.loadFromFile(bestPath.c_str(), &problem);
    if (!problem.empty()) std::cout << "Ignoring the best run in " << bestPath << ": " << problem << std::endl;
    mainMenu.bestLevel = best.level;
    readDaily(true);
    keptRun.path = saves.file("run");
    replay.recorder.choosePalette(assets);
    if (continueRun && keptRun.restore(runner, inventory, upgrades)) {
        mainMenu.continueLevel = runner.level + 1;
        restoredAtStart = true;
    }
}

void Game::update(bool *quit)
{
    // A paused level skips its updates and the shared animation, but the
    // music stream still needs feeding.
    InputTic::current = nullptr;  // until this update's tic is known
    const bool paused = !headless && pause.update(state, musicManager.current.fetch(&assets));
    if (!paused) stepAnimation();
    if (settings.music) musicManager.current.updateMusic(&assets);
    if (paused || stepBoard() || !stepRunInput()) return;

    const GameState previous = state;
    switch (state) {
        case STATE_MENU:
            mainMenu.update(soundManager, &state, &quit);
            if (mainMenu.dailyChosen && state == STATE_MENU && !demo.playback) {
                startDaily();
                return;
            }
            break;
        case STATE_INGAME:
            runner.update(soundManager, state, upgrades,
                          demo.playback ? demo.playback->screenshake : settings.screenshake);
            hud.update();
            break;
        case STATE_DEAD:
            if (replay.updateOnDeathScreen(runner.level)) break;
            if (IsKeyPressed(KEY_D) && !demo.recorder.demo.tics.empty()) {
                watch(demo.recorder.demo);  // the run just lost, from its first level
                return;
            }
            deadMenu.update(StepClock::seconds(), soundManager, state, runner, upgrades, inventory);
            break;
        case STATE_SHOP: shop.update(soundManager, inventory, upgrades, state); break;
        case STATE_SETTINGS: {
            bool changed = false;
            settingsMenu.update(soundManager, &state, &settings, changed);
            if (changed) loadSettings();
            break;
        }
        case STATE_CONTROLS: {
            bool changed = false;
            controlsMenu.update(soundManager, &state, options, changed);
            if (changed) applyVolumes();
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
            pause.beginDraw(runner);
            runner.draw(&assets, animFrame, animTick, upgrades);
            hud.draw(&assets, animFrame, runner.getMapRef());
            pause.endDraw(runner);
            break;
        case STATE_DEAD:
            deadMenu.draw(assets);
            replay.drawOnDeathScreen();
            if (!replay.viewer.showing && !demo.recorder.demo.tics.empty()) DemoPlayback::drawDeathHint();
            break;
        case STATE_SHOP: shop.draw(assets, animFrame, upgrades); break;
        case STATE_SETTINGS: settingsMenu.draw(&assets, animFrame); break;
        case STATE_CONTROLS: controlsMenu.draw(&assets, options); break;
        default: break;
    }
    if (nameField.open) nameField.draw();
}

void Game::loadSettings()
{
    if (settings.music) musicManager.current.startMusic(&assets);
    soundManager.enabled = settings.sound;
    settingsMenu.musicBox.ticked = settings.music;
    settingsMenu.soundBox.ticked = settings.sound;
    settingsMenu.screenshakeBox.ticked = settings.screenshake;
}

void Game::applyVolumes()
{
    pause.musicVolume = float(options.musicVolume) / float(Options::kMaxVolume);
    for (auto &[key, track] : assets.music)
        SetMusicVolume(track, pause.musicVolume);
    for (auto &[key, effect] : assets.sounds)
        SetSoundVolume(effect, float(options.effectsVolume) / float(Options::kMaxVolume));
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
    if (previous == STATE_INGAME && state != STATE_INGAME) endLevel();
    if (previous == STATE_SHOP && state == STATE_MENU) {
        demoMark(DemoMark::kKept);
        sendDaily();
    }
    // Leaving a daily run ends it; no screen leads back into one.
    // The death screen's NEW GAME starts a fresh run at level 1, as after any death.
    if (dailyRun && !demo.playback && (state == STATE_MENU || previous == STATE_DEAD)) endDaily(state == STATE_MENU);
    // Kept as NEW GAME would continue it: at a level's start, its start.
    if (state != previous) keepRun();
    // Play begins: the level is built before its first frame is drawn.
    if (previous != STATE_INGAME && state == STATE_INGAME) {
        if (previous != STATE_SHOP) beginRun();
        startLevel();
        replay.recorder.clear();
    }
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

void Game::endLevel()
{
    // Every way out of play ends the level: coming back always starts the next one.
    runner.runStats.endLevel(runner.level, runner.player.health);
    demoMark(DemoMark::kLevelEnd);
    if (state == STATE_DEAD) {
        demoMark(DemoMark::kDeath);
        recordDeath();
        deadMenu.boardFile.clear();  // only a counted daily try has a word from the board
        sendDaily();
    }
    countDaily();
}

void Game::recordDeath()
{
    // Another game may have kept a better run meanwhile: that one stands. A
    // damaged file was reported at start-up and is replaced by this run.
    if (demo.playback) return;  // a demo's death is not the player's
    deadMenu.chart.run = runner.runStats;
    deadMenu.chart.newBest = false;
    if (dailyRun) return;  // counted apart, never the best
    const std::string bestPath = saves.file("best");
    BestRun kept;
    if (kept.loadFromFile(bestPath.c_str(), nullptr) && kept.betterThan(best)) best = kept;
    const BestRun run = BestRun::fromRun(runner.runStats);
    deadMenu.chart.newBest = run.betterThan(best);
    if (deadMenu.chart.newBest) {
        best = run;
        std::string problem;
        if (!best.saveToFile(bestPath.c_str(), &problem))
            std::cout << "Error: Could not save the best run to " << bestPath << ": " << problem << std::endl;
    }
    mainMenu.bestLevel = best.level;
}

void Game::keepRun()
{
    if (demo.playback || headless || dailyRun) return;  // the player's run waits on disk
    // A death reached with Q in its last update still ends the run.
    if (state == STATE_DEAD || runner.playerDead) {
        keptRun.forget();
        mainMenu.continueLevel = 0;
        return;
    }
    const SavedRun run = KeptRun::of(runner, inventory, upgrades);
    keptRun.keep(run);
    mainMenu.continueLevel = run.fresh() ? 0 : run.level;
}

void Game::keepRunOnExit()
{
    if (demo.playback) return;
    if (state != STATE_INGAME || runner.playerDead) keepRun();
    if (state == STATE_INGAME || state == STATE_SHOP) demoMark(DemoMark::kKept);
}

bool Game::recordingLevel() const
{
    constexpr int kDeathShown = 60;  // updates of the death's freeze worth keeping
    return state == STATE_INGAME &&
           !(runner.playerDead && runner.freezeFrames < GameRunner::kDeathFreeze - kDeathShown);
}
