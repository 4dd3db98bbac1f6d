// The asset registry reports each file that does not load in one line of its
// own, however many lines raylib has to say about it.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "TestSupport.h"
#include "assets/AssetLog.h"
#include "assets/GameAssets.h"

namespace {

TEST(AssetLog, EachDamagedFileGivesOneLineNamingIt)
{
    EnsureWindowAndAudio();
    ScopedWorkDir dir(false);  // every asset file not written here is missing
    dir.write("shaders/grain.fs", "#version 330\nout vec4 finalColor;\nvoid main() { oops }\n");
    dir.write("assets/hit.wav", "");
    for (const char *good : {"assets/crab.png", "shaders/white_mask.fs"})
        std::filesystem::copy_file(std::filesystem::path(TALLOWFEN_SOURCE_DIR) / good, dir.path / good);
    GameAssets assets;
    testing::internal::CaptureStdout();
    assets.loadAssets();
    TraceLog(LOG_WARNING, "play goes on");  // raylib prints again once loading is over
    std::istringstream out(testing::internal::GetCapturedStdout());

    std::vector<std::string> lines;
    for (std::string line; std::getline(out, line);)
        lines.push_back(line);
    ASSERT_EQ(lines.size(), 22u) << out.str();  // 23 files, 2 of them sound
    EXPECT_EQ(lines.back(), "WARNING: play goes on");
    std::set<std::string> named;
    const std::string head = "WARNING: ASSET: [";
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        ASSERT_EQ(lines[i].rfind(head, 0), 0u) << lines[i];
        named.insert(lines[i].substr(head.size(), lines[i].find(']') - head.size()));
    }
    EXPECT_EQ(named.size(), 21u);
    EXPECT_EQ(named.count("shaders/grain.fs") + named.count("assets/hit.wav") + named.count("assets/bird.png"), 3u);
    EXPECT_EQ(named.count("assets/crab.png") + named.count("shaders/white_mask.fs"), 0u);
}

TEST(AssetLog, KeepsWholeWarningsAndReportsThemOnOneLine)
{
    const std::string longWord(5000, 'x');  // beyond any fixed buffer
    {
        AssetLog log;
        TraceLog(LOG_WARNING, "%s [%d]", longWord.c_str(), 7);
        EXPECT_EQ(log.warnings, std::vector<std::string>{longWord + " [7]"});
    }
    const std::string head = "WARNING: ASSET: [a.fs] damaged or missing: ";
    EXPECT_EQ(AssetLog::line("a.fs", {}), "");
    EXPECT_EQ(AssetLog::line("a.fs", {"failed", "Compile error: 0:1: x\n0:2: y\n", "using default"}),
              head + "failed | Compile error: 0:1: x 0:2: y | using default");
    EXPECT_EQ(AssetLog::line("a.fs", {"odd\r\x1e\xc2\x85\xe2\x80\xa8 bytes\t"}), head + "odd ?????? bytes");
    EXPECT_EQ(AssetLog::line("a.fs", {longWord}), head + longWord.substr(0, 397) + "...");
}

}  // namespace
