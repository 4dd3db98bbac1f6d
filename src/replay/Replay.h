#pragma once

#include <string>

#include "raylib.h"
#include "replay/ReplayRecorder.h"
#include "replay/ReplayViewer.h"
#include "system/PicturesFolder.h"

// The instant replay and the pictures the player keeps: the recorder behind
// every level, the viewer on the death screen, and F9's screenshot, saved
// into the player's pictures folder, which is made only when a save needs it.
class Replay {
public:
    static constexpr int kShotScale = 2;
    static constexpr double kNoteSeconds = 2.5;

    ReplayRecorder recorder;
    ReplayViewer viewer;
    PicturesFolder pictures;
    std::string note;  // the last screenshot's outcome, shown over the window a while
    double noteUntil = 0.0;
    struct NotedPicture {
        bool due = false;
        double time = 0.0;
        bool paused = false;
    } noted;  // the picture afterDraw left for the replay

    // On the death screen: true when the replay took this update, so the
    // screen beneath must not see its input.
    bool updateOnDeathScreen(int level);
    void drawOnDeathScreen() const;
    // After the virtual screen is drawn: notes the picture for the replay
    // while `recording` (read at the next frame's start), and saves a
    // screenshot on F9.
    void afterDraw(const RenderTexture2D &screen, bool recording, bool paused, int level);
    // At the next frame's start, before anything draws into the screen: reads
    // the noted picture into the replay. By then the GPU has long finished
    // drawing it, so the read does not wait on it, as one right after the
    // draw would (in a browser, for most of a frame).
    void readNotedPicture(const RenderTexture2D &screen);
    void drawOverWindow() const;
    // Before the window closes.
    void release() { viewer.release(); }

    // Writes the virtual screen, enlarged, as a PNG; false and a reason on failure.
    static bool saveScreenshot(const RenderTexture2D &screen, const std::string &path, std::string *problem);

private:
    static std::string nameNow(int level, const char *extension);
};
