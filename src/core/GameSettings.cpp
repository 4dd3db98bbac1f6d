#include "core/GameSettings.h"

#include <fstream>
#include <iostream>
#include <string>

#include "system/SafeFile.h"

bool GameSettings::saveToFile(const char *path) const
{
    const std::string bytes = {music ? '1' : '0', sound ? '1' : '0', screenshake ? '1' : '0'};
    std::string why;
    if (WriteFileSafely(path, bytes, &why)) return true;
    std::cout << "Error: Could not save settings to " << path << ": " << why << std::endl;
    return false;
}

void GameSettings::loadFromFile(const char *path)
{
    std::ifstream in(path);
    if (!in) return;
    for (bool *flag : {&music, &sound, &screenshake}) {
        char c = 0;
        if (!(in >> c)) return;  // the file ended: the rest keep their values
        if (c == '1') *flag = true;
        if (c == '0') *flag = false;
    }
}
