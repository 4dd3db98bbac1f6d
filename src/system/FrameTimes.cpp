#include "system/FrameTimes.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

FrameTimes::FrameTimes()
{
    if (const char *file = std::getenv("TALLOWFEN_FRAME_TIMES"); file != nullptr && *file != '\0') {
        path = file;
        frames.reserve(60 * 60 * 10);
    }
}

void FrameTimes::record(float frameSeconds)
{
    if (!enabled()) return;
    frames.emplace_back(frameSeconds * 1000.0f, double(std::clock()) * 1000.0 / CLOCKS_PER_SEC);
}

bool FrameTimes::write() const
{
    if (!enabled()) return true;
    std::FILE *out = std::fopen(path.c_str(), "w");
    if (out == nullptr) return false;
    for (const auto &[frame, cpu] : frames)
        std::fprintf(out, "%.3f %.3f\n", frame, cpu);
    return std::fclose(out) == 0;
}
