#pragma once

#include "assets/GameAssets.h"
#include "assets/MusicManager.h"
#include "assets/SoundManager.h"
#include "core/GameSettings.h"
#include "core/GameState.h"
#include "demo/DemoSession.h"
#include "economy/Inventory.h"
#include "economy/Upgrades.h"
#include "keep/KeptRun.h"
#include "level/GameRunner.h"
#include "options/Options.h"
#include "pause/PauseState.h"
#include "record/BestRun.h"
#include "record/DailyRun.h"
#include "replay/Replay.h"
#include "submit/BoardSender.h"
#include "system/SaveFolder.h"
#include "ui/ControlsMenu.h"
#include "ui/DeadMenu.h"
#include "ui/GameUI.h"
#include "ui/MainMenu.h"
#include "ui/NameField.h"
#include "ui/SettingsMenu.h"
#include "ui/ShopMenu.h"
#include <optional>

// The one top-level object: owns every long-lived part of the game, steps the
// shared animation, feeds and switches the music, and lets the current screen
// update and draw itself. Build it only after the window and audio device.
class Game {
public:
    GameSettings settings;
    Inventory inventory;
    Upgrades upgrades;
    GameUI hud;
    GameState state = STATE_MENU;
    GameAssets assets;
    GameRunner runner{inventory};
    MainMenu mainMenu;
    SettingsMenu settingsMenu;
    ControlsMenu controlsMenu;
    Options options;  // volumes and bindings, kept in the save folder's options
    ShopMenu shop;
    DeadMenu deadMenu;
    MusicManager musicManager;
    SoundManager soundManager{true, &assets};
    int animTick = 0;
    int animFrame = 0;
    PauseState pause;
    BestRun best;           // the best run kept on disk, as last read or written
    SaveFolder saves;       // where settings and the best run are kept
    KeptRun keptRun;        // the run NEW GAME continues, on disk
    Replay replay;          // the level's last seconds, and the pictures the player keeps
    DemoSession demo;       // the run recorded, or a demo played in its place
    bool headless = false;  // verifying a demo: no window, audio or files

    DailyRun daily;         // today's counted daily try in the save folder's `daily`, as last read or written
    bool dailyRun = false;  // the run in play is a daily run
    bool practice = false;  // ... and its day's try was counted before it began
    std::string dailyDate;  // the UTC day of the daily run in play
    BoardSender board;      // the counted tries on their way to a daily board, and its answers
    NameField nameField;    // asks the player's name there, once

    // `continueRun` false starts afresh, leaving a kept run to be replaced.
    // `headless` builds only what the run's updates need, to verify a demo.
    explicit Game(SaveFolder saves = {}, bool continueRun = true, bool headless = false);
    // The readers answer from the library again: the tic was the game's.
    ~Game() { InputTic::current = nullptr; }
    Game(const Game &) = delete;
    Game &operator=(const Game &) = delete;

    void update(bool *quit);
    void draw();
    // Applies the settings to the audio and the settings screen.
    void loadSettings();
    // Sets every track's and every sound's volume from the options.
    void applyVolumes();
    // What follows a screen's move from `previous` to `state`: a level starts
    // when play begins, and the music follows play beginning or ending.
    void enterState(GameState previous);
    // Today's daily run from level 1 in a fresh game; the kept run stays
    // on disk for NEW GAME and comes back when the daily run ends.
    void startDaily();
    // Finds the counted tries a daily board has not had yet, for the board at
    // `url` or, when "", the options' one.
    void startBoard(const std::string &url);
    // Skips the menus: play begins at once with the given level.
    void startNewGameAt(int level);
    void switchTrack(GameState previous);
    // Play has just ended: closes the level into the run's record, and on a
    // death keeps the run as the best one when it beats it.
    void endLevel();
    void recordDeath();
    // Brings the kept run up to date as play begins or a screen changes, and
    // the main menu's line with it.
    void keepRun();
    // The program is ending: a run left between levels is kept as it stands;
    // one left during a level keeps the copy from that level's start.
    void keepRunOnExit();
    // Whether the level's view is being recorded: during play, up to a
    // second into the long freeze of the player's death.
    bool recordingLevel() const;

    // Plays `demo` from its start in place of the player's run (which stays
    // on disk); `leavePlayback` brings the player's game back at the menu.
    void watch(DemoFile played);
    void leavePlayback();
    // Once a frame while a demo is watched: Space (pad A) changes the speed;
    // Escape, or the demo's end, brings the player's game back.
    void stepViewer();
    // What the level's draw changes, for an update stepped with no draw.
    void stepUndrawn();
    uint64_t digest() const;

private:
    bool dailySaveFailed = false;  // `daily` could not be written this run, which was said
    bool restoredAtStart = false;  // the kept run came from disk and has not been played on yet

    void stepAnimation();
    // This update's input to the run: sampled and recorded, or played back.
    // False when the update has nothing more to do.
    bool stepRunInput();
    // Play begins from a menu: a new run or a kept one continued.
    void beginRun();
    void startLevel();
    void demoMark(DemoMark::Kind kind);
    // The daily run in play is left: for the menu, the player's kept run is put back.
    void endDaily(bool keptRunBack);
    // Writes the daily run in play to `daily` when it is the day's try.
    void countDaily();
    // Reads `daily` (saying once what is wrong with it) and sets the menu's line.
    void readDaily(bool report);
    // Once an update: the board's posts go on, and the name field, while it
    // asks, has the update to itself (true).
    bool stepBoard();
    // The counted daily try in play has just ended: off to the board.
    void sendDaily();
    // What the board said, onto the death screen and the menu.
    void showBoard();
};
