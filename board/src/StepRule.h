#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tic/InputTic.h"

// The time steps an unmodified game records, which the board asks of every
// run: movement scales with the step while the gun, the bullets and the
// hit-stops count updates, so a run played on short steps is a run in slow
// motion. Every build paces 60 updates a second (SetTargetFPS on the
// desktop, the page's own pacing at any display rate), and the recorder
// caps a stall at InputTic::kLongestStep; so each step is finite, at least
// kShortest and at most kLongestStep, and any kWindow steps in a row add to
// at least kWindowSeconds.
class StepRule {
public:
    static constexpr float kShortest = 0.001f;
    static constexpr std::size_t kWindow = 60;
    static constexpr double kWindowSeconds = 0.9;

    // What the steps of the last run checked came to.
    struct Figures {
        std::size_t steps = 0;
        double seconds = 0.0;  // the play they add to
        float shortest = 0.0f, longest = 0.0f;
        double quickestWindow = 0.0;  // the least any kWindow steps in a row added to (all of them when fewer)
        std::size_t quickestWindowEnd = 0;
    };
    Figures figures;

    // "" when every step could come from an unmodified game; otherwise why
    // not, naming the first update that breaks the rule.
    std::string check(const std::vector<InputTic> &tics);
    // The figures in one line, for --check-steps.
    std::string describe() const;

    // --check-steps: each demo's verdict and figures, a line each; false
    // when any is refused or cannot be read.
    static bool checkFiles(const std::vector<std::string> &paths);
};
