#pragma once

#include <string>
#include <vector>

// An optional record of every frame, for measuring the game as it runs:
// the frame time and the process's CPU time so far. Switched on by the
// environment variable TALLOWFEN_FRAME_TIMES naming the file to write on
// exit; off, it costs one test a frame.
class FrameTimes {
public:
    FrameTimes();

    bool enabled() const { return !path.empty(); }
    void record(float frameSeconds);
    // Writes "frame_ms cpu_ms" lines; false when the file cannot be written.
    bool write() const;

    std::string path;
    std::vector<std::pair<float, double>> frames;
};
