// Finding the game's folder from wherever it starts, and the remembered
// window mode.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "TestSupport.h"
#include "core/GameSettings.h"
#include "system/RootSearch.h"
#include "system/SaveFolder.h"
#include "window/WindowMode.h"

namespace {

TEST(RootSearch, TakesTheFirstFolderWithAssetsNearTheProgramThenTheInstalledOne)
{
    const std::string cwd = "/home/player";
    const std::string program = "/opt/games/tallowfen/build/src/";
    struct Case {
        const char *name;
        std::set<std::string> assets;
        const char *expected;  // nullptr: not found
        bool installed = false;
    };
    const Case cases[] = {
        {"working directory first", {"/home/player/assets", "/opt/games/tallowfen/build/src/assets"}, "/home/player"},
        {"beside the program",
         {"/opt/games/tallowfen/build/src/assets", "/opt/games/assets"},
         "/opt/games/tallowfen/build/src"},
        {"two above", {"/opt/games/tallowfen/assets", "/opt/games/assets"}, "/opt/games/tallowfen"},
        {"three above", {"/opt/games/assets"}, "/opt/games"},
        {"a tree before the installed folder",
         {"/opt/games/assets", "/opt/games/tallowfen/build/share/tallowfen/assets"},
         "/opt/games"},
        {"installed beside bin/",
         {"/opt/games/tallowfen/build/share/tallowfen/assets"},
         "/opt/games/tallowfen/build/share/tallowfen",
         true},
        {"four above is too far", {"/opt/assets"}, nullptr},
        {"a folder named like it is not it", {"/home/player/assets2", "/opt/games/tallowfen/build/assets/x"}, nullptr},
        {"none", {}, nullptr},
    };
    for (const Case &c : cases) {
        const auto found = RootSearch::find(cwd, program, [&](const std::string &dir) { return c.assets.count(dir); });
        if (c.expected == nullptr) {
            EXPECT_FALSE(found.has_value()) << c.name << ": " << found->dir;
            continue;
        }
        ASSERT_TRUE(found.has_value()) << c.name;
        EXPECT_EQ(found->dir, c.expected) << c.name;
        EXPECT_EQ(found->installed, c.installed) << c.name;
    }
    // Near the file system's root the search stops there; /usr/bin's installed
    // folder is /usr/share/tallowfen, even when it is the working directory.
    const auto atRoot = RootSearch::find("/x", "/bin/", [](const std::string &dir) { return dir == "/assets"; });
    EXPECT_EQ(atRoot ? atRoot->dir : "", "/");
    const auto inShare = RootSearch::find("/usr/share/tallowfen", "/usr/bin",
                                          [](const std::string &dir) { return dir == "/usr/share/tallowfen/assets"; });
    EXPECT_TRUE(inShare && inShare->installed);
}

// A tree keeps data/ as it is; an installed game makes its folder in the
// player's XDG data home, and a folder that cannot be made means no saves.
TEST(SaveFolder, TreeOrPlayersDataFolderAndOneLineWhenItCannotBeMade)
{
    ScopedWorkDir dir(false);
    const std::string base = dir.path.string();
    dir.write("a-file", "x");
    struct Case {
        const char *name;
        bool installed;
        std::string xdg, home;  // "-": unset
        std::string expected;
        bool made;
    };
    const Case cases[] = {
        {"source tree", false, base + "/xdg", base, "data", true},
        {"installed, XDG_DATA_HOME", true, base + "/xdg", base + "/home", base + "/xdg/tallowfen", true},
        {"installed, default under HOME", true, "-", base + "/home", base + "/home/.local/share/tallowfen", true},
        {"installed, relative XDG_DATA_HOME", true, "rel", base + "/home", base + "/home/.local/share/tallowfen", true},
        {"installed, below a file", true, base + "/a-file/xdg", base, base + "/a-file/xdg/tallowfen", false},
        {"installed, no home at all", true, "-", "-", "/dev/null/tallowfen", false},
    };
    for (const Case &c : cases) {
        SaveFolder saves = SaveFolder::choose(c.installed, c.xdg == "-" ? nullptr : c.xdg.c_str(),
                                              c.home == "-" ? nullptr : c.home.c_str());
        EXPECT_EQ(saves.dir, c.expected) << c.name;
        EXPECT_EQ(saves.make(), c.made) << c.name;
        EXPECT_EQ(saves.problem.empty(), c.made) << c.name << ": " << saves.problem;
        EXPECT_EQ(saves.problem.find('\n'), std::string::npos) << c.name;
        GameSettings settings;
        EXPECT_EQ(settings.saveToFile(saves.file("settings").c_str()), c.made) << c.name;
        EXPECT_EQ(std::filesystem::is_regular_file(saves.file("settings")), c.made) << c.name;
    }
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
