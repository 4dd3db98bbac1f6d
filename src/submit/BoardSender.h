#pragma once

#include <deque>
#include <map>
#include <string>

#include "submit/BoardPost.h"

// Sends the day's counted daily tries to a daily board, one at a time and in
// the background, and keeps what became of each: the lines the death screen
// and the menu show. A try is sent when it ends (death, or the menu); one
// that could not be sent (the board down, the game closed first) stays in the
// save folder's demos/daily/ and goes at the next start while its day or the
// next lasts. What the board said of each demo is kept in `board_runs`, so a
// ranked or refused run is never sent again. The game never waits on it.
class BoardSender {
public:
    std::string url;         // the board's address ("" sends nothing)
    std::string name;        // the player's name there; "" until the player gives one
    bool wantsName = false;  // a run waits for a name: the game asks for one
    std::string nameProblem; // why the last name was refused, for the asking

    // Reads what was sent before and finds the tries still to send: the
    // counted, finished daily demos of `days` in `saveFolder`/demos/daily.
    void start(const std::string &boardUrl, const std::string &playerName, const std::string &saveFolder,
               const std::string &today, const std::string &yesterday);
    // A counted try has just ended; `bytes` is its demo as saved in `file`.
    void add(const std::string &file, const std::string &bytes);
    // Once a frame: takes an answer, and starts the next post.
    void update();
    // The player gave a name (or none: the runs then wait for the next start).
    void named(const std::string &given);

    // The line for the demo `file` (a name in demos/daily), "" when it was
    // never sent; and for today's counted try.
    std::string lineFor(const std::string &file) const;
    std::string todaysLine() const { return lineFor(todayFile); }
    bool idle() const { return !post.busy(); }

    // The address the runs go to: the board's own with /api/runs after it;
    // "" for anything but an http or https address.
    static std::string postUrl(const std::string &board);

private:
    std::string folder;       // demos/daily
    std::string keyPath;      // board_key
    std::string recordPath;   // board_runs
    std::string key;
    std::string today;
    std::string todayFile;    // today's counted try
    std::map<std::string, std::string> kept;   // file -> final line, as in board_runs
    std::map<std::string, std::string> shown;  // file -> this session's line
    struct Pending {
        std::string file;
        std::string bytes;  // "" until read from disk
    };
    std::deque<Pending> pending;
    BoardPost post;
    bool waiting = false;   // the rest wait for the next start: the board did not take one
    bool skipped = false;   // the player gave no name

    void take(const BoardPost::Answer &answer);
    void loadRecord();
    void saveRecord();
};
