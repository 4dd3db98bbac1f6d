#pragma once

#include <array>
#include <string>
#include <vector>

// What the player can do in a level, each on keys of its own.
enum Action : int {
    ACTION_WALK_UP,
    ACTION_WALK_DOWN,
    ACTION_WALK_LEFT,
    ACTION_WALK_RIGHT,
    ACTION_FIRE,
    ACTION_DRINK,
    ACTION_SHOP,
    ACTION_PAUSE,
    ACTION_COUNT
};

// Mouse buttons share the keyboard's lists under codes past every key's.
constexpr int kMouseCodeBase = 1000;
constexpr int MouseCode(int button) { return kMouseCodeBase + button; }
constexpr bool IsMouseCode(int code) { return code >= kMouseCodeBase; }

// Names and codes of what can be bound, so the options file reads as words.
struct InputName {
    int code;
    const char *name;
};
const std::vector<InputName> &KeyNames();  // keyboard keys and the mouse buttons
const std::vector<InputName> &PadNames();  // game pad buttons
// F9, F11 and Escape act on every screen, whatever the bindings, so no action
// may take them: what one always does ("F9 always saves a screenshot"), or ""
// for any other key.
const std::vector<InputName> &FixedKeys();
std::string FixedKeyUse(int code);
// "" for a code without a name; -1 for a name without a code. Names match
// without regard to case.
std::string NameOf(const std::vector<InputName> &names, int code);
int CodeOf(const std::vector<InputName> &names, const std::string &name);

const char *ActionLabel(Action action);  // as the controls screen shows it
const char *ActionKey(Action action);    // as the options file names it

// Which keys (and, for fire, mouse buttons) and which pad buttons start each
// action. The first of a list is the one a rebind replaces; the rest stay as
// alternatives, like the arrow keys beside W A S D.
class Bindings {
public:
    std::array<std::vector<int>, ACTION_COUNT> keys;
    std::array<std::vector<int>, ACTION_COUNT> pad;

    Bindings();  // the defaults

    // Puts `code` first for `action`; wherever it was bound before takes the
    // code it displaces, so no key ends up doing two things. A mouse button
    // that cannot go there stays with fire as its second input, and an action
    // left with nothing takes its default back when that is free. Returns ""
    // when bound, else why not (nothing then changes): a fixed key, or the
    // only key of another action.
    std::string bindKey(Action action, int code);
    std::string bindPad(Action action, int button) { return bindInto(&Bindings::pad, action, button); }
    static bool mouseAllowed(Action action) { return action == ACTION_FIRE; }
    // The name of the action's first key, as hints on the screen show it.
    std::string keyName(Action action) const
    {
        return keys[action].empty() ? "none" : NameOf(KeyNames(), keys[action][0]);
    }

    // "W, Up" or "none".
    static std::string listText(const std::vector<InputName> &names, const std::vector<int> &codes);

private:
    using Lists = std::array<std::vector<int>, ACTION_COUNT>;
    std::string bindInto(Lists Bindings::*which, Action action, int code);
};

// One shared set of defaults, for whatever is not handed the player's own.
const Bindings &DefaultBindings();
