#include "demo/DemoRecorder.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <system_error>
#include <vector>

#include "record/BestRun.h"
#include "system/BrowserPage.h"
#include "system/PicturesFolder.h"
#include "system/SafeFile.h"

namespace fs = std::filesystem;

namespace {

constexpr const char *kExtension = ".demo";

// The demos in `folder`, oldest first (the names sort by time).
std::vector<std::string> demosIn(const std::string &folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->path().extension() == kExtension && it->is_regular_file(error)) names.push_back(it->path().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

void DemoRecorder::begin(int level, const std::string &daily, bool practice)
{
    finishWriting();
    demo = DemoFile{};
    demo.game = DemoFile::thisGame();
    demo.platform = DemoFile::thisPlatform();
    demo.start = level;
    demo.daily = daily;
    demo.practice = practice;
    recording = true;
    path.clear();
    if (folder.empty()) return;
    if (const std::string why = MakeFolder(folder); !why.empty()) {
        std::cout << "Error: Could not keep the run's demo in " << folder << ": " << why << std::endl;
        return;
    }
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const std::string name = ClipName(local, level, kExtension);
    path = folder + "/" + name;
    // Two runs begun in one second get names of their own.
    for (int n = 2; fs::exists(path); ++n)
        path = folder + "/" + name.substr(0, name.size() - 5) + "-" + std::to_string(n) + kExtension;
    prune(folder, kKept - 1);
}

void DemoRecorder::reopen(int level)
{
    finishWriting();
    if (!folder.empty()) {
        const std::vector<std::string> names = demosIn(folder);
        for (auto it = names.rbegin(); it != names.rend(); ++it) {
            DemoFile kept;
            if (!kept.load(*it, nullptr)) continue;
            if (kept.result == "death") break;  // the newest run ended: no kept one to go on with
            demo = std::move(kept);
            demo.game = DemoFile::thisGame();
            path = *it;
            recording = true;
            return;
        }
    }
    begin(level, "-", false);
}

void DemoRecorder::mark(DemoMark m, const std::string &result, int level, int gold, int kills)
{
    if (!recording) return;
    m.at = uint32_t(demo.tics.size());
    demo.digest = m.digest;
    demo.marks.push_back(std::move(m));
    demo.result = result;
    demo.level = level;
    demo.gold = gold;
    demo.kills = kills;
    save();
}

void DemoRecorder::save()
{
    if (path.empty()) return;
    finishWriting();
    if (path.empty()) return;
    auto write = [file = path, bytes = demo.encode()] {
        std::string why;
        return WriteFileSafely(file.c_str(), bytes, &why) ? std::string() : why;
    };
    // Written beside the game, so a save never holds up a frame; the page has
    // no threads, and writes to memory anyway.
    if (BrowserPage::inBrowser())
        report(write());
    else
        writing = std::async(std::launch::async, std::move(write));
}

void DemoRecorder::finishWriting()
{
    if (writing.valid()) report(writing.get());
}

void DemoRecorder::report(const std::string &why)
{
    if (why.empty() || path.empty()) return;
    std::cout << "Error: Could not save the demo " << path << ": " << why << std::endl;
    path.clear();  // said once; the run plays on unrecorded
}

std::string DemoRecorder::bestIn(const std::string &folder)
{
    std::string best;
    BestRun top;
    for (const std::string &name : demosIn(folder)) {
        DemoFile d;
        if (!d.load(name, nullptr, true) || d.result != "death" || d.daily != "-") continue;
        const BestRun run{d.level, d.gold, d.kills};
        if (best.empty() || run.betterThan(top)) {
            best = name;
            top = run;
        }
    }
    return best;
}

void DemoRecorder::prune(const std::string &folder, int keep)
{
    std::vector<std::string> names = demosIn(folder);
    if (int(names.size()) <= keep) return;
    const std::string best = bestIn(folder);
    std::error_code error;
    for (std::size_t i = 0; i + std::size_t(keep) < names.size(); ++i)
        if (names[i] != best) fs::remove(names[i], error);
}
