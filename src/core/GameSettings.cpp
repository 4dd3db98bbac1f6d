#include "core/GameSettings.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <system_error>

namespace {

bool reportFailure(const char *path, const std::string &why)
{
    std::cout << "Error: Could not save settings to " << path << ": " << why << std::endl;
    return false;
}

}  // namespace

bool GameSettings::saveToFile(const char *path) const
{
    namespace fs = std::filesystem;
    const fs::path target(path);
    std::error_code error;
    if (target.has_parent_path()) {
        fs::create_directories(target.parent_path(), error);
        if (error) return reportFailure(path, error.message());
    }
    const fs::path temporary = target.string() + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        if (!out) return reportFailure(path, "cannot create " + temporary.string());
        out << music << sound << screenshake;
        out.flush();
        if (!out) {
            out.close();
            fs::remove(temporary, error);
            return reportFailure(path, "write failed");
        }
    }
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return reportFailure(path, error.message());
    }
    return true;
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
