#include "window/WindowMode.h"

#include <fstream>
#include <iostream>
#include <string>

#include "raylib.h"
#include "system/SafeFile.h"

bool WindowMode::load(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    // Read through the stream, which turns a read error (a folder in the
    // file's place) into a failed read rather than an exception.
    std::string text;
    char c = 0;
    while (text.size() < 8 && in.get(c))
        text += c;
    // A line end added by hand is still the same choice.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    return text == "1";
}

bool WindowMode::save(const char *path, bool fullscreen)
{
    std::string why;
    if (WriteFileSafely(path, fullscreen ? "1" : "0", &why)) return true;
    std::cout << "Error: Could not save the window mode to " << path << ": " << why << std::endl;
    return false;
}

void WindowMode::applyRemembered(const char *path)
{
    if (load(path) && !IsWindowState(FLAG_BORDERLESS_WINDOWED_MODE)) ToggleBorderlessWindowed();
}

bool WindowMode::togglePressed()
{
    if (IsKeyPressed(KEY_F11)) return true;
    return (IsKeyDown(KEY_LEFT_ALT) || IsKeyDown(KEY_RIGHT_ALT)) && IsKeyPressed(KEY_ENTER);
}

void WindowMode::update(const char *path)
{
    if (!togglePressed()) return;
    ToggleBorderlessWindowed();
    save(path, IsWindowState(FLAG_BORDERLESS_WINDOWED_MODE));
}
