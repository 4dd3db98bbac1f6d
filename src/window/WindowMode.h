#pragma once

// Whether the game shows in its window or borderless over the whole monitor:
// F11 or Alt+Enter switches on every screen, and the choice is remembered in
// a one-character file ("1" borderless, "0" windowed).
class WindowMode {
public:
    // A missing, unreadable or damaged file reads as windowed.
    static bool load(const char *path);
    // Crash-safe; false, with one line on standard output, when it failed.
    static bool save(const char *path, bool fullscreen);

    // After the window opens: switches to borderless when that was remembered.
    static void applyRemembered(const char *path);
    // Once a frame: switches on F11 or Alt+Enter and remembers the choice.
    static void update(const char *path);
    static bool togglePressed();
};
