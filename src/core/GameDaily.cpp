// Game's side of the daily run: the day's levels through the same start as
// any other (startLevel picks the day's seeds), the day's one counted try
// kept in `daily`, and the player's own kept run left alone throughout.
#include <ctime>
#include <iostream>

#include "core/Game.h"

void Game::startDaily()
{
    if (demo.playback) return;
    dailyDate = DailyRun::dateOf(std::time(nullptr));
    // Another game may have counted today's try since this one started.
    readDaily(false);
    practice = daily.countedOn(dailyDate);
    dailySaveFailed = false;
    dailyRun = true;
    runner.reset();
    upgrades.init();
    inventory.reset();
    const GameState previous = state;
    state = STATE_INGAME;
    enterState(previous);
}

void Game::endDaily(bool keptRunBack)
{
    dailyRun = practice = false;
    runner.reset();
    upgrades.init();
    inventory.reset();
    mainMenu.continueLevel = 0;
    if (keptRunBack && keptRun.restore(runner, inventory, upgrades)) {
        mainMenu.continueLevel = runner.level + 1;
        restoredAtStart = true;  // its demo is found again on disk
    }
    readDaily(false);
}

void Game::countDaily()
{
    hud.runLabel = !dailyRun ? "" : practice ? "PRACTICE" : "DAILY RUN";
    hud.practice = practice;
    if (!dailyRun || practice || demo.playback || headless) return;
    const RunStats &stats = runner.runStats;
    DailyRun run{dailyDate, runner.level, stats.totalGold() + stats.gold, stats.totalKills() + stats.kills};
    if (run.level < 1) return;
    std::string problem;
    const std::string path = saves.file("daily");
    if (!run.saveToFile(path.c_str(), &problem) && !dailySaveFailed) {
        std::cout << "Error: Could not save the daily run to " << path << ": " << problem << std::endl;
        dailySaveFailed = true;  // said once a run
    }
    daily = run;
    mainMenu.dailyLine = daily.menuLine(DailyRun::dateOf(std::time(nullptr)));
}

void Game::readDaily(bool report)
{
    const std::string path = saves.file("daily");
    std::string problem;
    DailyRun read;
    if (!read.loadFromFile(path.c_str(), &problem) && report && !problem.empty())
        std::cout << "Ignoring the daily run in " << path << ": " << problem << std::endl;
    daily = read;
    mainMenu.dailyLine = daily.menuLine(DailyRun::dateOf(std::time(nullptr)));
}
