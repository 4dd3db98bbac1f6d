#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tic/InputTic.h"

// The tics of a demo's chunk as bytes and back, losslessly, through the
// range coder. Each field is coded against the tic before: the small ones as
// whether they changed and, if so, the bits that flipped; the pointer as its
// change in eighths of a pixel and the time step as its distance in floats
// from the paced frame's, 1/60 s, each as a size class and the bits below.
// A pointer that is no whole eighth, or a number too far to code so, has its
// exact bits set aside in the stream. Every chunk learns its odds afresh, and
// goes on from `before`, the last tic of the chunk ahead of it.
struct TicCodec {
    static void pack(const InputTic &before, const InputTic *tics, std::size_t count, std::string *out);
    // Reads `count` tics from `in` at *at, through to the end of `in`; false
    // when the bytes cannot be tics a game recorded.
    static bool unpack(const std::string &in, std::size_t *at, std::size_t count, const InputTic &before,
                       std::vector<InputTic> *tics);
    // What no recording could hold: the game then reads it as damage.
    static bool sane(const InputTic &tic);
};
