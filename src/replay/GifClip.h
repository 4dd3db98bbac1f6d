#pragma once

#include <string>
#include <vector>

#include "raylib.h"

// One recorded clip, as the GIF writer takes it: the pictures stay owned by
// whoever recorded them, so saving a clip copies nothing.
struct GifClip {
    int width = 0, height = 0;                    // of each picture
    std::vector<Color> palette;                   // at most 255 colours; alpha is ignored
    std::vector<const unsigned char *> pictures;  // width*height palette indices each, row by row, oldest first
    std::vector<int> delays;                      // hundredths of a second each picture stays, one per picture
};

// The GIF file's bytes: every picture enlarged `scale` times (nearest
// neighbour), looping forever; "" and a one-line reason in *problem (when
// given) when it cannot be made (no pictures, bad sizes, an index beyond the
// palette...). A picture equal to the one before only lengthens its delay.
std::string EncodeGif(const GifClip &clip, int scale, std::string *problem);

// Encodes and writes through WriteFileSafely, so a reader never sees half a
// file; false and a one-line reason in *problem (when given) on failure.
bool SaveGif(const std::string &path, const GifClip &clip, int scale, std::string *problem);
