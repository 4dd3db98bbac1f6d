#pragma once

#include <string>
#include <vector>

// An optional record of every frame, for measuring the game as it runs:
// the frame time, the process's CPU time so far, and the game's own work in
// the frame (its update and draw, without the library's pacing and swap). Switched on by the
// environment variable TALLOWFEN_FRAME_TIMES naming the file to write on
// exit; off, it costs one test a frame.
class FrameTimes {
public:
    FrameTimes();

    bool enabled() const { return !path.empty(); }
    void record(float frameSeconds, double workSeconds);
    // Writes "frame_ms cpu_ms work_ms" lines; false when the file cannot be written.
    bool write() const;

    std::string path;
    struct Frame {
        float frameMs;
        double cpuMs;
        float workMs;
    };
    std::vector<Frame> frames;
};
