#pragma once

#include <string>

// Windows only: the game's paths are UTF-8 with forward slashes, Windows'
// wide calls take UTF-16; these convert between the two, so a folder named
// in any script works.
std::wstring WidePath(const std::string &utf8);
std::string NarrowPath(const wchar_t *wide);
