#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The rules for who a player is on the board: a name as shown (1 to 16
// visible characters of UTF-8 in NFC, trimmed), the key two names are
// compared by, and the key the game makes up for its player (32 hex digits).
class PlayerRules {
public:
    static constexpr int kMaxNameCharacters = 16;
    static constexpr std::size_t kMaxNameBytes = 256;  // before trimming

    // True when `raw` makes a name; *name is then the name as shown (NFC,
    // trimmed, inner runs of spaces made one), else *problem says why in a
    // few words.
    static bool cleanName(const std::string &raw, std::string *name, std::string *problem);
    // The key two names are compared by: names that differ only in case
    // (fully folded: "STRASSE", "straße") or in letters that look alike
    // (Cyrillic "а" for Latin "a", fullwidth forms, "0" for "O", "I" for
    // "l") fold alike, so a name that looks like a taken one is taken.
    // Folding a key gives the key again.
    static std::string foldName(const std::string &name);
    // What foldName's keys depend on: this rule's revision and ICU's, whose
    // Unicode data (the confusables, case folding) may change with it. Keys
    // stored under another are to be refolded (refold) before compared.
    static std::string foldVersion();
    // True for exactly 32 hex digits, either case.
    static bool validKey(const std::string &key);

    // A claim on a name, as the table of names keeps it.
    struct Claim {
        std::string folded;
        std::string name;
        std::string keyHash;
        int64_t claimedAt = 0;
    };
    // The claims with their keys folded again by foldName, for a table
    // folded by an older rule: where claims now fold alike, the earliest
    // (then the lowest name, bytewise) keeps the name and the others are
    // left out. In the order of claiming.
    static std::vector<Claim> refold(std::vector<Claim> claims);
};
