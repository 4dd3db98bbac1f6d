#pragma once

#include <string>

// The rules for who a player is on the board: a name as shown (1 to 16
// printable characters of UTF-8, trimmed), the form it is compared in, and
// the key the game makes up for its player (32 hex digits).
class PlayerRules {
public:
    static constexpr int kMaxNameCharacters = 16;
    static constexpr std::size_t kMaxNameBytes = 256;  // before trimming

    // True when `raw` makes a name; *name is then the trimmed name, else
    // *problem says why in a few words.
    static bool cleanName(const std::string &raw, std::string *name, std::string *problem);
    // The form two names are compared in: "Tide" and "tide" are one name.
    static std::string foldName(const std::string &name);
    // True for exactly 32 hex digits, either case.
    static bool validKey(const std::string &key);
};
