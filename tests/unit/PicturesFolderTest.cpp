// Where screenshots and clips go, and what they are called.
#include <gtest/gtest.h>

#include <fstream>

#include "TestSupport.h"
#include "system/PicturesFolder.h"

namespace {

TEST(PicturesFolder, FollowsTheDesktopsPicturesFolder)
{
    const char *home = "/home/p/.config/user-dirs.dirs", *cfg = "/cfg/user-dirs.dirs";
    struct Case {
        const char *name, *pictures, *config, *home;
        const char *dirsPath, *dirsText;  // the one user-dirs.dirs there is
        const char *expected;             // nullptr: nowhere, with a problem
    };
    // clang-format off
    const Case cases[] = {
        {"the environment first", "/data/shots", nullptr, "/home/p", home, "XDG_PICTURES_DIR=\"/x\"\n",
         "/data/shots/Tallowfen"},
        {"user-dirs with $HOME", "shots", nullptr, "/home/p", home,
         "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n  XDG_PICTURES_DIR=\"$HOME/Bilder\"\n"
         "XDG_MUSIC_DIR=\"$HOME/Musik\"\n", "/home/p/Bilder/Tallowfen"},
        {"user-dirs absolute in XDG_CONFIG_HOME", nullptr, "/cfg", "/home/p", cfg,
         "XDG_PICTURES_DIR=\"/media/pics/\"\n", "/media/pics/Tallowfen"},
        {"a relative XDG_CONFIG_HOME", nullptr, "cfg", "/home/p", home, "XDG_PICTURES_DIR=\"$HOME\"\n",
         "/home/p/Tallowfen"},
        {"a relative value", nullptr, nullptr, "/home/p", home, "XDG_PICTURES_DIR=\"Pics\"\n",
         "/home/p/Pictures/Tallowfen"},
        {"comments and malformed lines", nullptr, nullptr, "/home/p", home,
         "# XDG_PICTURES_DIR=\"/commented\"\nXDG_PICTURES_DIR=\"/open\nXDG_PICTURES_DIR=/bare\n"
         "XDG_PICTURES_DIR=\"/a\" trailing\nXDG_PICTURES_DIR=\"$HOMEWARD\"\n", "/home/p/Pictures/Tallowfen"},
        {"the last good line wins", nullptr, nullptr, "/home/p", home,
         "XDG_PICTURES_DIR=\"/first\"\r\nXDG_PICTURES_DIR=\"/second\"\r\n", "/second/Tallowfen"},
        {"no file", nullptr, nullptr, "/home/p", "", "", "/home/p/Pictures/Tallowfen"},
        {"no HOME but an absolute line", nullptr, "/cfg", nullptr, cfg,
         "XDG_PICTURES_DIR=\"$HOME/P\"\nXDG_PICTURES_DIR=\"/srv/p\"\n", "/srv/p/Tallowfen"},
        {"no HOME at all", "", "/cfg", nullptr, cfg, "XDG_PICTURES_DIR=\"$HOME/P\"\n", nullptr},
    };
    // clang-format on
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        PicturesFolder folder =
            PicturesFolder::choose(c.pictures, c.config, c.home, [&](const std::string &path, auto) {
                return path == c.dirsPath ? std::string(c.dirsText) : std::string();
            });
        if (c.expected != nullptr) {
            EXPECT_EQ(folder.dir, c.expected);
            EXPECT_EQ(folder.problem, "");
            EXPECT_EQ(folder.file("a.png"), std::string(c.expected) + "/a.png");
        } else {
            EXPECT_NE(folder.problem, "");
            EXPECT_FALSE(folder.make());
        }
    }
}

TEST(PicturesFolder, MakesTheFolderOrSaysWhyNot)
{
    const ScopedWorkDir work(false);
    work.write(".config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Shots\"\n");
    PicturesFolder folder = PicturesFolder::choose(nullptr, nullptr, work.path.string().c_str(), PicturesFolder::readFile);
    EXPECT_TRUE(folder.make()) << folder.problem;
    EXPECT_TRUE(std::filesystem::is_directory(work.path / "Shots/Tallowfen"));

    work.write("plain", "a file");
    folder = PicturesFolder::choose((work.path / "plain/P").string().c_str(), nullptr, nullptr, PicturesFolder::readFile);
    EXPECT_FALSE(folder.make());
    EXPECT_NE(folder.problem.find(folder.dir), std::string::npos) << folder.problem;
    EXPECT_EQ(folder.problem.find('\n'), std::string::npos);
    std::filesystem::remove(work.path / "plain");  // the cause mended, the next save goes through
    EXPECT_TRUE(folder.make() && folder.problem.empty()) << folder.problem;

    // A pipe would hold the start-up: it is not read, and the game says so.
    const std::string dirs = (work.path / ".config/user-dirs.dirs").string();
    ASSERT_TRUE(std::remove(dirs.c_str()) == 0 && MakeFifo(dirs.c_str()));
    folder = PicturesFolder::choose(nullptr, nullptr, work.path.string().c_str(), PicturesFolder::readFile);
    EXPECT_EQ(folder.dir, (work.path / "Pictures/Tallowfen").string());
    EXPECT_EQ(folder.notice, "Ignoring " + dirs + ": it is not a plain file");
}

TEST(PicturesFolder, NamesClipsByTimeAndLevel)
{
    std::tm when{};
    when.tm_year = 2026 - 1900, when.tm_mon = 11, when.tm_mday = 8;
    when.tm_hour = 14, when.tm_min = 5, when.tm_sec = 33;
    EXPECT_EQ(ClipName(when, 5, "gif"), "tallowfen-2026-12-08-14-05-33-level5.gif");
    when = std::tm{};
    when.tm_year = 100, when.tm_mday = 1;
    EXPECT_EQ(ClipName(when, 120, ".png"), "tallowfen-2000-01-01-00-00-00-level120.png");

    // A name taken gets -2, -3 ... before the extension.
    const ScopedWorkDir work(false);
    PicturesFolder folder{(work.path / "P").string(), "", ""};
    const auto write = [](const std::string &path, std::string *) { return bool(std::ofstream(path) << "new"); };
    for (const char *kept : {"a.png", "a-2.png", "a-3.png"})
        EXPECT_EQ(folder.keep("a.png", write, nullptr), kept);
}

}  // namespace
