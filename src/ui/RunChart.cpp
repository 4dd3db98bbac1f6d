#include "ui/RunChart.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

constexpr int kFontSize = 10;
constexpr int kMaxHealth = 100;
constexpr int kDeathMarkHeight = 2;
const Color kSeriesColors[ChartLayout::kSeries] = {GREEN, GOLD, PURPLE};
const char *const kSeriesNames[ChartLayout::kSeries] = {"Health", "Gold", "Kills"};

// One column's values: a grouped column shows where its last level ended,
// and what all its levels earned.
struct Column {
    int health = 0;
    int gold = 0;
    int kills = 0;
};

}  // namespace

ChartLayout RunChart::layout(const RunStats &run, Rectangle area)
{
    ChartLayout chart;
    const float top = area.y + float(kHeaderHeight);
    const float bandsHeight = area.height - float(kHeaderHeight + kFooterHeight);
    const float stripHeight =
        std::floor((bandsHeight - float(kStripGap * (ChartLayout::kSeries - 1))) / float(ChartLayout::kSeries));
    for (int s = 0; s < ChartLayout::kSeries; ++s)
        chart.strips[s] = Rectangle{area.x, top + float(s) * (stripHeight + float(kStripGap)), area.width, stripHeight};

    const int levels = int(run.levels.size());
    const int maxColumns = std::max(1, int(area.width) / 2);  // a pixel of bar and a pixel of gap at least
    if (levels == 0 || stripHeight < 1.0f) return chart;
    chart.levelsPerColumn = (levels + maxColumns - 1) / maxColumns;
    chart.columns = (levels + chart.levelsPerColumn - 1) / chart.levelsPerColumn;

    std::vector<Column> columns(std::size_t(chart.columns));
    for (int i = 0; i < levels; ++i) {
        Column &column = columns[std::size_t(i / chart.levelsPerColumn)];
        column.health = run.levels[std::size_t(i)].health;
        column.gold += run.levels[std::size_t(i)].gold;
        column.kills += run.levels[std::size_t(i)].kills;
    }
    int mostGold = 1, mostKills = 1;
    for (const Column &column : columns) {
        mostGold = std::max(mostGold, column.gold);
        mostKills = std::max(mostKills, column.kills);
    }

    const float pitch = area.width / float(chart.columns);
    const int barWidth = std::clamp(int(std::floor(pitch)) - 1, 1, kMaxBarWidth);
    for (int c = 0; c < chart.columns; ++c) {
        const Column &column = columns[std::size_t(c)];
        const float x = std::floor(area.x + float(c) * pitch + (pitch - float(barWidth)) / 2.0f);
        const float shares[ChartLayout::kSeries] = {float(std::clamp(column.health, 0, kMaxHealth)) / float(kMaxHealth),
                                                    float(column.gold) / float(mostGold),
                                                    float(column.kills) / float(mostKills)};
        for (int s = 0; s < ChartLayout::kSeries; ++s) {
            const Rectangle &strip = chart.strips[s];
            // Anything above nothing shows, if only as a pixel.
            float height = shares[s] > 0.0f ? std::max(1.0f, std::round(shares[s] * stripHeight)) : 0.0f;
            Color color = kSeriesColors[s];
            if (s == 0 && column.health <= 0) {
                height = float(kDeathMarkHeight);  // where the player fell
                color = RED;
            }
            if (height < 1.0f) continue;
            chart.bars.push_back(
                ChartBar{Rectangle{x, strip.y + strip.height - height, float(barWidth), height}, color});
        }
    }
    return chart;
}

void RunChart::draw() const
{
    const ChartLayout chart = layout(run, kArea);
    const int left = int(kArea.x);
    const int right = int(kArea.x + kArea.width);
    const int top = int(kArea.y);

    DrawText(("Level " + std::to_string(run.highestLevel())).c_str(), left, top, kFontSize, WHITE);
    if (newBest) {
        const char *mark = "New best!";
        DrawText(mark, right - MeasureText(mark, kFontSize), top, kFontSize, GOLD);
    }
    int x = left;
    for (int s = 0; s < ChartLayout::kSeries; ++s) {
        DrawRectangle(x, top + 13, 7, 7, kSeriesColors[s]);
        DrawText(kSeriesNames[s], x + 10, top + 12, kFontSize, WHITE);
        x += 10 + MeasureText(kSeriesNames[s], kFontSize) + 10;
    }

    for (const Rectangle &strip : chart.strips)
        DrawRectangle(int(strip.x), int(strip.y + strip.height), int(strip.width), 1, DARKGRAY);
    for (const ChartBar &bar : chart.bars)
        DrawRectangle(int(bar.rect.x), int(bar.rect.y), int(bar.rect.width), int(bar.rect.height), bar.color);

    if (run.levels.empty()) return;
    const int footer =
        int(chart.strips[ChartLayout::kSeries - 1].y + chart.strips[ChartLayout::kSeries - 1].height) + 3;
    const std::string first = std::to_string(run.levels.front().level);
    DrawText(first.c_str(), left, footer, kFontSize, GRAY);
    if (run.levels.size() > 1) {
        const std::string last = std::to_string(run.levels.back().level);
        DrawText(last.c_str(), right - MeasureText(last.c_str(), kFontSize), footer, kFontSize, GRAY);
    }
    if (chart.levelsPerColumn > 1) {
        const std::string grouped = std::to_string(chart.levelsPerColumn) + " levels a bar";
        DrawText(grouped.c_str(), left + (int(kArea.width) - MeasureText(grouped.c_str(), kFontSize)) / 2, footer,
                 kFontSize, GRAY);
    }
}
