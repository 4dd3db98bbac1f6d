#pragma once

#include <future>
#include <string>

#include "demo/DemoFile.h"

// Keeps the run being played as a demo in the save folder's demos/: its tics
// and marks in memory, and the file rewritten whole and safely at every mark,
// so a game killed mid-level leaves a demo that plays to the last level begun.
// The writing (its fsync can take tens of milliseconds) goes on beside the
// game, one save at a time. A new demo thins the folder to the newest 50 and
// the best run's.
class DemoRecorder {
public:
    DemoRecorder() = default;
    DemoRecorder(const DemoRecorder &) = delete;
    DemoRecorder &operator=(const DemoRecorder &) = delete;
    ~DemoRecorder() { finishWriting(); }

    static constexpr int kKept = 50;

    std::string folder;  // "" keeps nothing on disk
    std::string path;    // this run's file
    DemoFile demo;
    bool recording = false;
    InputTic tic;  // this update's, which the game reads while it is current

    // A new run beginning at `level`: a new file named by the time it began.
    void begin(int level, const std::string &daily, bool practice);
    // NEW GAME continues a kept run after a restart: the newest demo that no
    // death has ended goes on; without one a new demo begins with the resume.
    void reopen(int level);
    void add(const InputTic &input) { demo.tics.push_back(input); }
    // Adds the mark after the tics so far and saves the run's result with it.
    void mark(DemoMark m, const std::string &result, int level, int gold, int kills);
    // The run is over: the last mark is written and recording stops.
    void end() { recording = false; }

    // The best finished, non-daily demo in `folder`, by the best run's rule.
    static std::string bestIn(const std::string &folder);
    // Removes all but the newest `keep` demos and the best one.
    static void prune(const std::string &folder, int keep);

    // Waits for the save under way, and reports it when it failed.
    void finishWriting();
    // Says once why a write failed, and stops recording the run.
    void report(const std::string &why);

private:
    std::future<std::string> writing;  // the save under way: "" or why it failed

    void save();
};
