#pragma once

#include <string>

// Why the board turned a request away: the HTTP status, a short code that
// the game can act on, and one clear sentence for the player. A status of
// 0 is no refusal.
struct Refusal {
    int status = 0;
    std::string code;
    std::string reason;

    bool refused() const { return status != 0; }
};
