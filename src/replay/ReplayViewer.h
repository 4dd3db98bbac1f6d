#pragma once

#include <string>
#include <vector>

#include "raylib.h"
#include "replay/ReplayRecorder.h"
#include "system/PicturesFolder.h"

// The recording played as a loop over the death screen, with the S key (or
// the pad's Y) saving it as a GIF clip; any other key, button or click goes
// back. The texture it shows through is made on first use and released by
// `release`, before the window closes.
class ReplayViewer {
public:
    static constexpr int kClipScale = 2;

    bool showing = false;
    double startedAt = 0.0;
    int shown = -1;  // the picture in the texture
    Texture2D texture{};
    std::vector<unsigned char> indices;  // the picture shown, unpacked
    std::vector<unsigned char> rgba;
    std::string savedFolder;  // shown after a save: where, and the file
    std::string savedFile;
    std::string failure;  // or why the save failed

    enum class Action {
        None,
        Save,
        Leave
    };

    // R, or the pad's X.
    static bool startPressed();
    // S or the pad's Y saves; any other key, pad button or click leaves.
    static Action input();
    void start(double now);
    // Shows the picture of the loop at `now`.
    void step(const ReplayRecorder &recorder, double now);
    // Saves the clip into the pictures folder as `name`, or under a free
    // name beside it.
    void save(const ReplayRecorder &recorder, PicturesFolder &pictures, const std::string &name);
    void draw() const;
    // The death screen's line telling that a replay is there.
    static void drawHint();
    void release();
};
