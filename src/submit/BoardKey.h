#pragma once

#include <string>

// The player's key on a daily board: 128 random bits as 32 hex digits, made
// at the first submission and kept in the save folder's `board_key`, readable
// by its owner alone. The board keeps only a hash of it; whoever holds the key
// holds the player's names there, so it is never shown or logged.
struct BoardKey {
    static constexpr std::size_t kDigits = 32;

    static bool valid(const std::string &key);
    // The key kept at `path`, or a new one made and kept there. "" with
    // *problem set when neither can be had (a damaged file is replaced).
    static std::string loadOrMake(const std::string &path, std::string *problem);
};
