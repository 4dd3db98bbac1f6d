// Finding the game's folder from wherever it starts, and the remembered
// window mode.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "TestSupport.h"
#include "core/WindowMode.h"
#include "system/RootSearch.h"

namespace {

TEST(RootSearch, TakesTheFirstFolderWithAssetsWithinThreeAboveTheProgram)
{
    const std::string cwd = "/home/player";
    const std::string program = "/opt/games/tallowfen/build/src/";
    struct Case {
        const char *name;
        std::set<std::string> assets;
        const char *expected;  // nullptr: not found
    };
    const Case cases[] = {
        {"working directory first", {"/home/player/assets", "/opt/games/tallowfen/build/src/assets"}, "/home/player"},
        {"beside the program",
         {"/opt/games/tallowfen/build/src/assets", "/opt/games/assets"},
         "/opt/games/tallowfen/build/src"},
        {"two above", {"/opt/games/tallowfen/assets", "/opt/games/assets"}, "/opt/games/tallowfen"},
        {"three above", {"/opt/games/assets"}, "/opt/games"},
        {"four above is too far", {"/opt/assets"}, nullptr},
        {"a folder named like it is not it", {"/home/player/assets2", "/opt/games/tallowfen/build/assets/x"}, nullptr},
        {"none", {}, nullptr},
    };
    for (const Case &c : cases) {
        const auto found = RootSearch::find(cwd, program, [&](const std::string &dir) { return c.assets.count(dir); });
        if (c.expected == nullptr)
            EXPECT_FALSE(found.has_value()) << c.name << ": " << found.value_or("");
        else
            EXPECT_EQ(found.value_or("(none)"), c.expected) << c.name;
    }
    // Near the file system's root the search stops there.
    EXPECT_EQ(RootSearch::find("/x", "/bin/", [](const std::string &dir) { return dir == "/assets"; }).value_or(""),
              "/");
}

TEST(WindowMode, SavedChoiceComesBackAndAnythingDamagedMeansWindowed)
{
    ScopedWorkDir dir(false);
    const char *path = "data/window";
    EXPECT_FALSE(WindowMode::load(path)) << "no file";
    for (bool fullscreen : {true, false, true}) {
        ASSERT_TRUE(WindowMode::save(path, fullscreen));
        EXPECT_EQ(dir.read(path), fullscreen ? "1" : "0");
        EXPECT_EQ(WindowMode::load(path), fullscreen);
    }
    struct Case {
        std::string bytes;
        bool fullscreen;
    };
    const Case cases[] = {{"1\n", true}, {"0", false},          {"", false},     {"2", false},
                          {"11", false}, {"1 trailing", false}, {"\xff", false}, {" 1", false}};
    for (const Case &c : cases) {
        dir.write(path, c.bytes);
        EXPECT_EQ(WindowMode::load(path), c.fullscreen) << "file holding \"" << c.bytes << "\"";
    }
    // A folder where the file should be cannot be read or replaced.
    std::filesystem::remove(dir.path / path);
    std::filesystem::create_directories(dir.path / path / "inside");
    EXPECT_FALSE(WindowMode::load(path));
    EXPECT_FALSE(WindowMode::save(path, true));
}

}  // namespace
