#include "StepRule.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "demo/DemoFile.h"

namespace {

std::string milliseconds(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, seconds < 0.01 ? "%.3f ms" : "%.1f ms", seconds * 1000.0);
    return text;
}

std::string secondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
}

}  // namespace

std::string StepRule::check(const std::vector<InputTic> &tics)
{
    figures = Figures{};
    figures.steps = tics.size();
    if (tics.empty()) return "";
    // A run shorter than a window is held to its share of one.
    const std::size_t window = std::min(kWindow, tics.size());
    const double least = kWindowSeconds * double(window) / double(kWindow);
    // The sums of the steps before each of the last `window` + 1 updates, in
    // double, exact enough for millions of steps.
    std::vector<double> before(window + 1, 0.0);
    const auto sumBefore = [&](std::size_t i) -> double & { return before[i % before.size()]; };
    double sum = 0.0;
    std::string broken;
    figures.shortest = figures.longest = tics[0].step;
    figures.quickestWindow = INFINITY;
    for (std::size_t i = 0; i < tics.size(); ++i) {
        const float step = tics[i].step;
        sum += double(step);
        sumBefore(i + 1) = sum;
        figures.shortest = std::min(figures.shortest, step);
        figures.longest = std::max(figures.longest, step);
        if (broken.empty() && !std::isfinite(step))
            broken = "update " + std::to_string(i) + "'s time step is not a number of seconds";
        else if (broken.empty() && step < kShortest)
            broken = "update " + std::to_string(i) + " steps " + milliseconds(step) +
                     ", shorter than any display paces a frame (" + milliseconds(kShortest) + ")";
        else if (broken.empty() && step > InputTic::kLongestStep)
            broken = "update " + std::to_string(i) + " steps " + milliseconds(step) +
                     ", longer than the game records (" + milliseconds(InputTic::kLongestStep) + ")";
        if (i + 1 < window) continue;
        const double inWindow = sum - sumBefore(i + 1 - window);
        if (inWindow < figures.quickestWindow) figures.quickestWindow = inWindow, figures.quickestWindowEnd = i;
        if (broken.empty() && inWindow < least)
            broken = "the " + std::to_string(window) + " updates to update " + std::to_string(i) + " step " +
                     secondsText(inWindow) + " in all, where the game paces them over " + secondsText(least) +
                     " at least";
    }
    figures.seconds = sum;
    return broken;
}

std::string StepRule::describe() const
{
    char text[256];
    std::snprintf(
        text, sizeof text,
        "%zu steps, %.3f s; each %.3f to %.3f ms (mean %.3f ms); %zu in a row at least %.4f s (to update %zu)",
        figures.steps, figures.seconds, double(figures.shortest) * 1000.0, double(figures.longest) * 1000.0,
        figures.steps ? figures.seconds * 1000.0 / double(figures.steps) : 0.0, std::min(kWindow, figures.steps),
        figures.quickestWindow, figures.quickestWindowEnd);
    return text;
}

bool StepRule::checkFiles(const std::vector<std::string> &paths)
{
    bool allTaken = true;
    for (const std::string &path : paths) {
        DemoFile demo;
        std::string problem;
        if (!demo.load(path, &problem)) {
            std::printf("%s: cannot be read: %s\n", path.c_str(), problem.c_str());
            allTaken = false;
            continue;
        }
        StepRule rule;
        const std::string broken = rule.check(demo.tics);
        std::printf("%s: %s: %s\n", path.c_str(), broken.empty() ? "taken" : ("refused, " + broken).c_str(),
                    rule.describe().c_str());
        allTaken = allTaken && broken.empty();
    }
    return allTaken;
}
