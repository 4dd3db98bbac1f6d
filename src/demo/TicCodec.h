#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tic/InputTic.h"

// The tics of a demo's chunk as bytes and back, losslessly. Each field is a
// lane: every tic's value of it, then the next field's. Small fields are kept
// as their change from the tic before, so a lane that holds still is a run of
// zeros for the deflate after; the pointer as its change in eighths of a
// pixel, with the exact bits set aside for a value that is no whole eighth;
// the time step as its distance in floats from the paced frame's, 1/60 s, all
// with the exact bits set aside for a value too far to code so.
struct TicCodec {
    static constexpr std::size_t kLaneBytes = 22;  // a tic's bytes in the lanes
    static constexpr std::size_t kMostBytes = 34;  // and at most, with the pointer and the step set aside

    static void pack(const InputTic *tics, std::size_t count, std::string *out);
    // Reads `count` tics from `in` at *at, through to the end of `in`; false
    // when the bytes cannot be tics a game recorded.
    static bool unpack(const std::string &in, std::size_t *at, std::size_t count, std::vector<InputTic> *tics);
    // What no recording could hold: the game then reads it as damage.
    static bool sane(const InputTic &tic);
};
