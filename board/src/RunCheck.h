#pragma once

#include <ctime>
#include <string>

#include "Refusal.h"
#include "demo/DemoFile.h"

// What the board can tell of a submitted demo without playing it: that it
// reads as a demo, is a counted daily run (not practice) of today or
// yesterday, began at level 1 and drew every level from that day's seeds,
// and has no input after its end. Then the run's name for telling it again:
// a hash of its marks and tics, whatever header or chunking it came with.
class RunCheck {
public:
    DemoFile demo;
    std::string runHash;

    // On a refusal, its reason; the run may be verified only when none.
    Refusal check(const std::string &bytes, std::time_t now);

    static std::string contentHash(const DemoFile &demo);
};
