#pragma once

#include <string>

// What a daily board's answer to a sent run means for the player: the line
// the death screen and the menu show ("Board: rank 12 of 340", or why the
// run was not sent) and what becomes of the run: ranked or refused for good,
// kept to be sent at the next start, or kept until the player picks another
// name.
struct BoardAnswer {
    enum Outcome {
        kRanked,     // on the board
        kRefused,    // the board will never take this run
        kLater,      // the board was down, busy or unreachable: sent at the next start
        kRename,     // the name was refused: the run waits for another one
    };
    Outcome outcome = kLater;
    std::string line;

    // From the HTTP status (0: none came) and the body, whose JSON the board
    // writes but which is read like any other bytes from the network.
    static BoardAnswer of(int status, const std::string &body);
};
