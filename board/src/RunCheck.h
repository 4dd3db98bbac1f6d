#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "Refusal.h"
#include "StepRule.h"
#include "demo/DemoFile.h"

// What the board can tell of a submitted demo without playing it: that it
// reads as a demo, is a counted daily run (not practice) of today or
// yesterday, began at level 1 and drew every level from that day's seeds,
// has no input after its end, was stepped as an unmodified game steps
// (StepRule) and holds no more play than its day has had. Then the run's
// name for telling it again: its links (RunIdentity), whatever input play
// never read, header or chunking it came with.
class RunCheck {
public:
    // Clocks run a little ahead: a run begun on one that did may hold this
    // much more play than the board's clock has seen of its day.
    static constexpr double kClockAheadSeconds = 15 * 60;

    DemoFile demo;
    StepRule steps;
    std::vector<std::string> links;
    std::string runHash;  // the last link

    // On a refusal, its reason; the run may be verified only when none.
    Refusal check(const std::string &bytes, std::time_t now);

    // When `date` ("YYYY-MM-DD", a real one) began, UTC.
    static std::time_t dayBegan(const std::string &date);
};
