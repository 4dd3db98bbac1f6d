// Feeds arbitrary bytes to the demo reader: a refusal says why in one line and
// changes nothing; a demo it accepts is written and read back unchanged, and
// then played through a headless game as --verify plays it, which must come
// to an end within a bound of updates: a demo that never ends is a finding.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "DemoCheckSum.h"
#include "core/Game.h"

#include "demo/DemoFile.h"

namespace {

// Plays the demo to its end as --verify does; aborts past the bound.
void play(DemoFile demo)
{
    const std::size_t bound = demo.tics.size() + 4 * demo.marks.size() + 2 * DemoPlayback::kMaxStill + 100;
    std::streambuf *const shown = std::cout.rdbuf(nullptr);
    {
        Game game(SaveFolder{}, false, true);
        game.watch(std::move(demo));
        for (std::size_t update = 0; !game.demo.playback->finished; ++update) {
            if (update > bound) std::abort();
            bool quit = false;
            game.update(&quit);
            game.stepUndrawn();
        }
    }
    std::cout.rdbuf(shown);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char *>(data), size);
    if (size % 2 == 1) fuzz::FixCheckSum(bytes);
    for (const bool headerOnly : {true, false}) {
        DemoFile read;
        std::string problem;
        if (!read.decode(bytes, &problem, headerOnly)) {
            if (problem.empty() || problem.find('\n') != std::string::npos || !(read == DemoFile{})) std::abort();
            continue;
        }
        if (read.start < 1 || read.tics.size() > DemoFile::kMaxTics) std::abort();
        if (headerOnly) continue;
        DemoFile back;
        if (!back.decode(read.encode(), &problem) || !(back == read)) std::abort();
        play(std::move(read));
    }
    return 0;
}
