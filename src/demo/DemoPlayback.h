#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "demo/DemoFile.h"
#include "raylib.h"

// A demo being played back: hands the game its tics in order and its marks
// where they fall, and notes the first place where the game, fed the same
// input, went otherwise than the recording.
class DemoPlayback {
public:
    static constexpr int kSpeeds[] = {1, 4, 16};

    DemoFile demo;
    std::size_t nextTic = 0;
    std::size_t nextMark = 0;
    int speed = 1;             // updates a frame while watched
    bool screenshake = false;  // the recording's, for the level being played
    bool finished = false;     // the demo has run out (or went otherwise)
    std::string differs;       // the first difference found, "" while none
    uint64_t lastDigest = 0;   // the state's at the last mark reached
    bool keepTrace = false;
    std::vector<uint64_t> trace;  // the digest after every tic, when kept
    // Updates in a row that took neither a tic nor a mark: a few pass between
    // screens, more means the demo cannot go on.
    static constexpr int kMaxStill = 600;
    int still = 0;
    std::size_t seenTic = 0, seenMark = 0;

    // The mark due before the next tic, or nullptr.
    const DemoMark *due() const;
    // Takes the due mark when it is of `kind`; otherwise notes that the run
    // went otherwise and returns nullptr.
    const DemoMark *take(DemoMark::Kind kind, const char *what);
    // Compares the state after a mark with the recording's; playback ends
    // at the first that differs.
    void check(const DemoMark &mark, uint64_t digest);
    // The next tic, or nullptr when none is left before the due mark.
    const InputTic *nextInput();
    void nextSpeed();
    // Counts this update toward the still ones; true past the limit.
    bool stalled();

    // Over the window, while watched: "DEMO" and the speed, top right.
    void drawOverWindow() const;
    // On the death screen, under the replay's hint.
    static void drawDeathHint();
};
