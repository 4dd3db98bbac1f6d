#include "options/Bindings.h"

#include <algorithm>
#include <cctype>

#include "raylib.h"

namespace {

std::vector<InputName> BuildKeyNames()
{
    std::vector<InputName> names;
    static const char *const letters[] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
                                          "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};
    for (int i = 0; i < 26; ++i)
        names.push_back({KEY_A + i, letters[i]});
    static const char *const digits[] = {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
    for (int i = 0; i < 10; ++i)
        names.push_back({KEY_ZERO + i, digits[i]});
    static const char *const keypad[] = {"Keypad 0", "Keypad 1", "Keypad 2", "Keypad 3", "Keypad 4",
                                         "Keypad 5", "Keypad 6", "Keypad 7", "Keypad 8", "Keypad 9"};
    for (int i = 0; i < 10; ++i)
        names.push_back({KEY_KP_0 + i, keypad[i]});
    static const InputName functions[] = {{KEY_F1, "F1"},   {KEY_F2, "F2"},  {KEY_F3, "F3"}, {KEY_F4, "F4"},
                                          {KEY_F5, "F5"},   {KEY_F6, "F6"},  {KEY_F7, "F7"}, {KEY_F8, "F8"},
                                          {KEY_F10, "F10"}, {KEY_F12, "F12"}};  // F9 and F11 are fixed
    names.insert(names.end(), std::begin(functions), std::end(functions));
    const InputName others[] = {
        {KEY_UP, "Up"},
        {KEY_DOWN, "Down"},
        {KEY_LEFT, "Left"},
        {KEY_RIGHT, "Right"},
        {KEY_SPACE, "Space"},
        {KEY_ENTER, "Enter"},
        {KEY_TAB, "Tab"},
        {KEY_BACKSPACE, "Backspace"},
        {KEY_INSERT, "Insert"},
        {KEY_DELETE, "Delete"},
        {KEY_HOME, "Home"},
        {KEY_END, "End"},
        {KEY_PAGE_UP, "Page up"},
        {KEY_PAGE_DOWN, "Page down"},
        {KEY_LEFT_SHIFT, "Left shift"},
        {KEY_RIGHT_SHIFT, "Right shift"},
        {KEY_LEFT_CONTROL, "Left ctrl"},
        {KEY_RIGHT_CONTROL, "Right ctrl"},
        {KEY_LEFT_ALT, "Left alt"},
        {KEY_RIGHT_ALT, "Right alt"},
        {KEY_APOSTROPHE, "Apostrophe"},
        {KEY_COMMA, "Comma"},
        {KEY_MINUS, "Minus"},
        {KEY_PERIOD, "Period"},
        {KEY_SLASH, "Slash"},
        {KEY_SEMICOLON, "Semicolon"},
        {KEY_EQUAL, "Equal"},
        {KEY_LEFT_BRACKET, "Left bracket"},
        {KEY_RIGHT_BRACKET, "Right bracket"},
        {KEY_BACKSLASH, "Backslash"},
        {KEY_GRAVE, "Grave"},
        {KEY_KP_ENTER, "Keypad enter"},
        {KEY_KP_ADD, "Keypad plus"},
        {KEY_KP_SUBTRACT, "Keypad minus"},
        {MouseCode(MOUSE_BUTTON_LEFT), "Left mouse"},
        {MouseCode(MOUSE_BUTTON_RIGHT), "Right mouse"},
        {MouseCode(MOUSE_BUTTON_MIDDLE), "Middle mouse"},
    };
    names.insert(names.end(), std::begin(others), std::end(others));
    return names;
}

bool SameName(const std::string &a, const char *b)
{
    const std::string other(b);
    return a.size() == other.size() && std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

const std::vector<InputName> &KeyNames()
{
    static const std::vector<InputName> names = BuildKeyNames();
    return names;
}

const std::vector<InputName> &PadNames()
{
    static const std::vector<InputName> names = {
        {GAMEPAD_BUTTON_LEFT_FACE_UP, "Pad up"},       {GAMEPAD_BUTTON_LEFT_FACE_DOWN, "Pad down"},
        {GAMEPAD_BUTTON_LEFT_FACE_LEFT, "Pad left"},   {GAMEPAD_BUTTON_LEFT_FACE_RIGHT, "Pad right"},
        {GAMEPAD_BUTTON_RIGHT_FACE_DOWN, "Pad A"},     {GAMEPAD_BUTTON_RIGHT_FACE_RIGHT, "Pad B"},
        {GAMEPAD_BUTTON_RIGHT_FACE_LEFT, "Pad X"},     {GAMEPAD_BUTTON_RIGHT_FACE_UP, "Pad Y"},
        {GAMEPAD_BUTTON_LEFT_TRIGGER_1, "Pad LB"},     {GAMEPAD_BUTTON_LEFT_TRIGGER_2, "Pad LT"},
        {GAMEPAD_BUTTON_RIGHT_TRIGGER_1, "Pad RB"},    {GAMEPAD_BUTTON_RIGHT_TRIGGER_2, "Pad RT"},
        {GAMEPAD_BUTTON_MIDDLE_LEFT, "Pad Back"},      {GAMEPAD_BUTTON_MIDDLE_RIGHT, "Pad Start"},
        {GAMEPAD_BUTTON_LEFT_THUMB, "Pad left stick"}, {GAMEPAD_BUTTON_RIGHT_THUMB, "Pad right stick"},
    };
    return names;
}

const std::vector<InputName> &FixedKeys()
{
    static const std::vector<InputName> names = {{KEY_F9, "F9"}, {KEY_F11, "F11"}, {KEY_ESCAPE, "Escape"}};
    return names;
}

std::string FixedKeyUse(int code)
{
    static const char *const uses[] = {"saves a screenshot", "switches fullscreen", "quits"};
    for (std::size_t i = 0; i < FixedKeys().size(); ++i)
        if (FixedKeys()[i].code == code) return std::string(FixedKeys()[i].name) + " always " + uses[i];
    return "";
}

std::string NameOf(const std::vector<InputName> &names, int code)
{
    for (const InputName &n : names)
        if (n.code == code) return n.name;
    return "";
}

int CodeOf(const std::vector<InputName> &names, const std::string &name)
{
    for (const InputName &n : names)
        if (SameName(name, n.name)) return n.code;
    return -1;
}

const char *ActionLabel(Action action)
{
    static const char *const labels[ACTION_COUNT] = {"Walk up", "Walk down", "Walk left", "Walk right",
                                                     "Fire",    "Drink",     "Shop",      "Pause"};
    return labels[action];
}

const char *ActionKey(Action action)
{
    static const char *const keys[ACTION_COUNT] = {"walk_up", "walk_down", "walk_left", "walk_right",
                                                   "fire",    "drink",     "shop",      "pause"};
    return keys[action];
}

const Bindings &DefaultBindings()
{
    static const Bindings defaults;
    return defaults;
}

Bindings::Bindings()
{
    keys[ACTION_WALK_UP] = {KEY_W, KEY_UP};
    keys[ACTION_WALK_DOWN] = {KEY_S, KEY_DOWN};
    keys[ACTION_WALK_LEFT] = {KEY_A, KEY_LEFT};
    keys[ACTION_WALK_RIGHT] = {KEY_D, KEY_RIGHT};
    keys[ACTION_FIRE] = {MouseCode(MOUSE_BUTTON_LEFT)};
    keys[ACTION_DRINK] = {KEY_Z};
    keys[ACTION_SHOP] = {KEY_Q};
    keys[ACTION_PAUSE] = {KEY_P};
    pad[ACTION_WALK_UP] = {GAMEPAD_BUTTON_LEFT_FACE_UP};
    pad[ACTION_WALK_DOWN] = {GAMEPAD_BUTTON_LEFT_FACE_DOWN};
    pad[ACTION_WALK_LEFT] = {GAMEPAD_BUTTON_LEFT_FACE_LEFT};
    pad[ACTION_WALK_RIGHT] = {GAMEPAD_BUTTON_LEFT_FACE_RIGHT};
    pad[ACTION_FIRE] = {GAMEPAD_BUTTON_RIGHT_TRIGGER_2, GAMEPAD_BUTTON_RIGHT_TRIGGER_1};
    pad[ACTION_DRINK] = {GAMEPAD_BUTTON_RIGHT_FACE_DOWN};
    pad[ACTION_SHOP] = {GAMEPAD_BUTTON_RIGHT_FACE_UP};
    pad[ACTION_PAUSE] = {GAMEPAD_BUTTON_MIDDLE_RIGHT};
}

std::string Bindings::bindKey(Action action, int code)
{
    const std::string fixed = FixedKeyUse(code);
    if (!fixed.empty()) return fixed;
    if (IsMouseCode(code) && !mouseAllowed(action)) return "only Fire takes a mouse button";
    return bindInto(&Bindings::keys, action, code);
}

std::string Bindings::bindInto(Lists Bindings::*which, Action action, int code)
{
    const Bindings before = *this;
    Lists &lists = this->*which;
    std::vector<int> &own = lists[action];
    const int displaced = own.empty() ? -1 : own[0];
    if (displaced == code) return "";
    bool keepDisplaced = false;
    for (int a = 0; a < ACTION_COUNT; ++a) {
        std::vector<int> &list = lists[a];
        auto it = std::find(list.begin(), list.end(), code);
        if (it == list.end()) continue;
        if (&list == &own) {
            *it = displaced;  // moves up front below; its old first takes its place
            continue;
        }
        // The swap: the key's old place takes the one displaced, unless that
        // place already holds it or cannot hold a mouse button.
        const bool held = std::find(list.begin(), list.end(), displaced) != list.end();
        const bool fits = !IsMouseCode(displaced) || mouseAllowed(Action(a));
        if (displaced < 0 || held || !fits)
            list.erase(it);
        else
            *it = displaced;
        keepDisplaced = keepDisplaced || (displaced >= 0 && !held && !fits);
    }
    if (own.empty())
        own.push_back(code);
    else
        own[0] = code;
    if (keepDisplaced) own.insert(own.begin() + 1, displaced);

    // Whoever lost its only input takes its default back, if no one uses it.
    const Lists &defaults = DefaultBindings().*which;
    for (int a = 0; a < ACTION_COUNT; ++a) {
        if (!lists[a].empty() || (before.*which)[a].empty()) continue;
        for (int fallback : defaults[a]) {
            const bool used = std::any_of(lists.begin(), lists.end(), [&](const std::vector<int> &list) {
                return std::find(list.begin(), list.end(), fallback) != list.end();
            });
            if (!used) {
                lists[a].push_back(fallback);
                break;
            }
        }
        if (lists[a].empty()) {
            *this = before;
            const bool keyList = which == &Bindings::keys;
            return NameOf(keyList ? KeyNames() : PadNames(), code) + " is " + ActionLabel(Action(a)) + "'s only " +
                   (keyList ? "key" : "pad button") + ": give it another first";
        }
    }
    return "";
}

std::string Bindings::listText(const std::vector<InputName> &names, const std::vector<int> &codes)
{
    std::string text;
    for (int code : codes) {
        if (!text.empty()) text += ", ";
        text += NameOf(names, code);
    }
    return text.empty() ? "none" : text;
}
