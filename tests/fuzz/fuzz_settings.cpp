// Feeds arbitrary bytes to the settings reader, then checks that what it
// read survives a save and a load.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "FuzzInput.h"
#include "core/GameSettings.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    std::cout.setstate(std::ios::failbit);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const char *path = fuzz::WriteInput("settings", data, size);
    // Starting from a mix of values shows which switches the file reached.
    GameSettings read;
    read.sound = false;
    read.loadFromFile(path);

    static const std::string copy = fuzz::TempDir() + "/settings-copy";
    if (!read.saveToFile(copy.c_str())) std::abort();
    GameSettings back;
    back.music = !read.music;
    back.sound = !read.sound;
    back.screenshake = !read.screenshake;
    back.loadFromFile(copy.c_str());
    if (back.music != read.music || back.sound != read.sound || back.screenshake != read.screenshake) {
        std::fprintf(stderr, "settings changed in a save and load: %d%d%d became %d%d%d\n", read.music, read.sound,
                     read.screenshake, back.music, back.sound, back.screenshake);
        std::abort();
    }
    return 0;
}
