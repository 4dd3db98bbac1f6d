// Game's side of the daily board: the counted try sent when it ends, the
// name asked for over the death screen or the menu the first time one is
// needed, and the board's word shown on both screens.
#include <ctime>
#include <filesystem>
#include <iostream>

#include "core/Game.h"

void Game::startBoard(const std::string &url)
{
    if (headless) return;
    const std::time_t now = std::time(nullptr);
    board.start(url.empty() ? options.board : url, options.boardName, saves.dir, DailyRun::dateOf(now),
                DailyRun::dateOf(now - 24 * 60 * 60));
    showBoard();
}

bool Game::stepBoard()
{
    if (headless || demo.playback) return false;
    board.update();
    const bool asking = state == STATE_MENU || state == STATE_DEAD;
    if (!nameField.open && board.wantsName && asking && !replay.viewer.showing) {
        nameField.open = true;
        nameField.problem = board.nameProblem;
        SetExitKey(KEY_NULL);  // Escape skips the name, not the game
    }
    showBoard();
    if (!nameField.open) return false;
    std::string given;
    if (nameField.update(&given)) {
        SetExitKey(KEY_ESCAPE);
        board.named(given);
        if (!given.empty()) {
            options.boardName = given;
            std::string problem;
            if (!options.saveToFile(controlsMenu.path.c_str(), &problem))
                std::cout << "Error: Could not save the options to " << controlsMenu.path << ": " << problem
                          << std::endl;
        }
    }
    return true;
}

void Game::sendDaily()
{
    if (!dailyRun || practice || demo.playback || headless || demo.recorder.path.empty()) return;
    const std::string file = std::filesystem::path(demo.recorder.path).filename().string();
    board.add(file, demo.recorder.demo.encode());
    deadMenu.boardFile = file;
}

void Game::showBoard()
{
    deadMenu.boardLine = board.lineFor(deadMenu.boardFile);
    mainMenu.boardLine = board.todaysLine();
}
