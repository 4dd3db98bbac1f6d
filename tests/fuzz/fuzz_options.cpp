// Feeds arbitrary bytes to the options reader, then checks that what it read
// is in range and survives being written out and read back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "options/Options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    Options read;
    std::string problem;
    read.parse(std::string(reinterpret_cast<const char *>(data), size), &problem);
    if (read.musicVolume < 0 || read.musicVolume > 100 || read.effectsVolume < 0 || read.effectsVolume > 100)
        std::abort();
    for (int a = 0; a < ACTION_COUNT; ++a)
        for (int code : read.bindings.keys[a])
            if (IsMouseCode(code) && !Bindings::mouseAllowed(Action(a))) std::abort();

    const std::string text = read.text();
    Options back;
    back.musicVolume = 7;
    back.bindings.keys = {};
    back.bindings.pad = {};
    std::string again;
    back.parse(text, &again);
    if (!again.empty() || back.text() != text) {
        std::fprintf(stderr, "options changed in a write and read (%s):\n%s---\n%s", again.c_str(), text.c_str(),
                     back.text().c_str());
        std::abort();
    }
    return 0;
}
