#pragma once

#include "assets/GameAssets.h"
#include "raylib.h"
#include "replay/FrameRing.h"
#include "replay/ReplayPalette.h"

// Keeps the last seconds of the level's view (the left 240 x 240 of the
// virtual screen), read back from the finished virtual screen about 30
// times a second and stored at a byte a pixel. It reads pixels only through
// raylib, so the same recording comes out on either library.
class ReplayRecorder {
public:
    static constexpr int kSize = 240;
    static constexpr int kRate = 30;  // pictures a second
    static constexpr int kSeconds = 8;
    static constexpr int kLastDelay = 100 / kRate;

    ReplayPalette palette;
    FrameRing ring{kSize, kSize, kRate *kSeconds};
    long lastSlot = -1;  // the 1/30-s slot of the last picture taken
    std::vector<unsigned char> picture = std::vector<unsigned char>(kSize * kSize);  // the one being taken

    // The palette from the colours of every texture the game loaded and the
    // colours it draws with.
    void choosePalette(const GameAssets &assets);
    // A new level: the old one's pictures go.
    void clear();
    // After the virtual screen is drawn: takes a picture when a new 1/30-s
    // slot has begun. A paused picture is stored darkened, as it was seen.
    void capture(const RenderTexture2D &screen, double now, bool paused);
};
