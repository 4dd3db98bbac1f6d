#pragma once

#include <string>

// The one-line field that asks for the player's name on the daily board the
// first time a run would go there without one, drawn over the death screen or
// the menu. While it is open it has the keyboard: typed characters (up to 16),
// Backspace, Enter to give the name, Escape to give none this time.
class NameField {
public:
    static constexpr int kMaxCharacters = 16;

    bool open = false;
    std::string text;     // what is typed, UTF-8
    std::string problem;  // why the last name would not do, shown over the field

    // Once an update while open. True when the player has answered: *given is
    // then the trimmed name, or "" for none, and the field has closed.
    bool update(std::string *given);
    void draw() const;

    // Appends `codepoint` as UTF-8 when it is printable and the field has room.
    void type(int codepoint);
    void erase();  // the last character
    int characters() const;
};
