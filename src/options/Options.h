#pragma once

#include <string>

#include "options/Bindings.h"

// The player's options beside the three switches: the two volumes and the
// bindings, kept as `name = value` lines so they can be read and edited.
class Options {
public:
    static constexpr int kMaxVolume = 100;

    int musicVolume = kMaxVolume;  // 0 to 100
    int effectsVolume = kMaxVolume;
    Bindings bindings;
    // The daily board the counted tries go to, and the player's name there
    // (1 to 16 characters); "" for none.
    std::string board;
    std::string boardName;
    static constexpr int kMaxBoardName = 16;

    // Reads what `text` sets over the defaults. A damaged line leaves its
    // setting at the default; `problem`, when given, then names the first
    // damage (and how many more lines were damaged).
    void parse(const std::string &text, std::string *problem);
    std::string text() const;

    // A missing file is no problem: everything keeps its default.
    void loadFromFile(const char *path, std::string *problem);
    // Through the safe save; false with the reason in `problem` on failure.
    bool saveToFile(const char *path, std::string *problem) const;

    // `raw` trimmed, when it makes a name for the board (1 to 16 characters
    // of UTF-8, none of them a control); else "".
    static std::string cleanBoardName(const std::string &raw);

private:
    // "" when the line was taken, else what is wrong with it.
    std::string apply(const std::string &name, const std::string &value);
};
