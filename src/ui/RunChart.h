#pragma once

#include <vector>

#include "raylib.h"
#include "record/RunStats.h"

// One filled rectangle of the chart, in virtual-screen pixels.
class ChartBar {
public:
    Rectangle rect{};
    Color color{};
};

// Where everything of the chart goes for a given run. Pure: no window needed.
class ChartLayout {
public:
    static constexpr int kSeries = 3;  // health, gold, kills, top to bottom

    Rectangle strips[kSeries]{};  // the band of each series; its bars stand on its bottom edge
    int levelsPerColumn = 1;      // more levels than fit side by side share a column
    int columns = 0;
    std::vector<ChartBar> bars;
};

// The death screen's small chart of the run just lost: per level the
// player's health at its end, the gold picked up and the kills, one band
// each, with a legend and a mark when the run is a new best. Drawing it
// changes nothing.
class RunChart {
public:
    // The death screen's free corner: right of its buttons, under its remark.
    static constexpr Rectangle kArea{170.0f, 66.0f, 145.0f, 170.0f};
    static constexpr int kHeaderHeight = 26;  // the title line and the legend
    static constexpr int kFooterHeight = 14;  // the level numbers under the bands
    static constexpr int kStripGap = 6;
    static constexpr int kMaxBarWidth = 14;

    RunStats run;          // the run just lost
    bool newBest = false;  // it beat the best run kept before it

    // Bars never leave `area`, never touch each other, and are at least a
    // pixel wide: past about half the area's width in levels, neighbouring
    // levels are grouped into one column (the last health, gold and kills
    // added up).
    static ChartLayout layout(const RunStats &run, Rectangle area);

    void draw() const;
};
