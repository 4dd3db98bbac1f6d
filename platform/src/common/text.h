// Pieces of the text code that tests look at directly: how DrawFPS picks its
// colour and label, and whether the default font is loaded.
#pragma once

#include <string>

#include "raylib.h"

namespace rlp::text {

// Colour DrawFPS uses for a frame rate: lime, orange below 30, red below 15.
Color FpsColor(int fps);
// The label DrawFPS draws, the number right-aligned in two characters.
std::string FpsLabel(int fps);
// True while the default font's atlas is uploaded and DrawText draws.
bool DefaultFontReady();

}  // namespace rlp::text
