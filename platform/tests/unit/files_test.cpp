// Files and directories, asked before any window exists.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "raylib.h"

namespace {

namespace fs = std::filesystem;

TEST(Files, ApplicationDirectoryIsTheExecutablesWithATrailingSlash)
{
    ASSERT_FALSE(IsWindowReady());
    const std::string dir = GetApplicationDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '/');
    EXPECT_EQ(fs::path(dir + "x").parent_path(), fs::read_symlink("/proc/self/exe").parent_path());
    EXPECT_TRUE(DirectoryExists(dir.c_str()));
    EXPECT_TRUE(FileExists((dir + fs::read_symlink("/proc/self/exe").filename().string()).c_str()));
}

TEST(Files, ExistenceAndChangeDirectory)
{
    ASSERT_FALSE(IsWindowReady());
    const fs::path start = fs::current_path();
    const fs::path root = fs::temp_directory_path() / ("rlp_files_" + std::to_string(getpid()));
    fs::create_directories(root / "sub");
    std::ofstream(root / "file.txt") << "x";
    const std::string file = (root / "file.txt").string(), sub = (root / "sub").string();
    const std::string missing = (root / "missing").string();

    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_TRUE(FileExists(sub.c_str())) << "like raylib, a directory exists as a file too";
    EXPECT_FALSE(FileExists(missing.c_str()));
    EXPECT_FALSE(FileExists(nullptr));
    EXPECT_TRUE(DirectoryExists(sub.c_str()));
    EXPECT_FALSE(DirectoryExists(file.c_str()));
    EXPECT_FALSE(DirectoryExists(missing.c_str()));
    EXPECT_FALSE(DirectoryExists(nullptr));

    EXPECT_TRUE(ChangeDirectory(root.string().c_str()));
    EXPECT_EQ(fs::current_path(), root);
    EXPECT_TRUE(FileExists("file.txt")) << "relative names follow the new directory";
    EXPECT_TRUE(ChangeDirectory("sub"));
    EXPECT_EQ(fs::current_path(), root / "sub");
    EXPECT_FALSE(ChangeDirectory(missing.c_str()));
    EXPECT_FALSE(ChangeDirectory(file.c_str()));
    EXPECT_EQ(fs::current_path(), root / "sub") << "a failed change stays put";

    ASSERT_TRUE(ChangeDirectory(start.string().c_str()));
    fs::remove_all(root);
}

}  // namespace
