#include "system/FrameTimes.h"

#include "system/BrowserPage.h"

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

void FrameTimes::record(float frameSeconds, double workSeconds)
{
    if (!enabled()) return;
    frames.push_back(
        {frameSeconds * 1000.0f, double(std::clock()) * 1000.0 / CLOCKS_PER_SEC, float(workSeconds * 1000.0)});
    // The page never exits to have the file written: it is handed each frame.
    BrowserPage::noteFrame(double(frameSeconds) * 1000.0, workSeconds * 1000.0);
}

bool FrameTimes::write() const
{
    if (!enabled()) return true;
    std::FILE *out = std::fopen(path.c_str(), "w");
    if (out == nullptr) return false;
    for (const Frame &f : frames)
        std::fprintf(out, "%.3f %.3f %.3f\n", f.frameMs, f.cpuMs, f.workMs);
    return std::fclose(out) == 0;
}
