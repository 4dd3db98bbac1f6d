// Feeds arbitrary bytes to the kept run's reader: a refusal says why in one
// line and changes nothing; a run it accepts is within its limits and
// survives a save and a load unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzInput.h"
#include "record/SavedRun.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    SavedRun read;
    std::string problem;
    if (!read.loadFromFile(fuzz::WriteInput("run", data, size), &problem)) {
        if (problem.empty() || problem.find('\n') != std::string::npos || !(read == SavedRun{})) std::abort();
        return 0;
    }
    if (read.level < 1 || read.health < 1 || read.health > 100 || read.gold < 0 || read.potions < 0) std::abort();
    static const std::string copy = fuzz::TempDir() + "/run-copy";
    SavedRun back;
    if (!read.saveToFile(copy.c_str(), &problem) || !back.loadFromFile(copy.c_str(), &problem) || !(back == read))
        std::abort();
    return 0;
}
