// The settings file: format, round trip, odd contents and failed saves.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "TestSupport.h"
#include "core/GameSettings.h"

namespace {

namespace fs = std::filesystem;

GameSettings loaded(const ScopedWorkDir &dir, const std::string &content)
{
    dir.write("data/settings", content);
    GameSettings settings;
    settings.loadFromFile("data/settings");
    return settings;
}

void expectFlags(const GameSettings &s, bool music, bool sound, bool screenshake)
{
    EXPECT_EQ(s.music, music);
    EXPECT_EQ(s.sound, sound);
    EXPECT_EQ(s.screenshake, screenshake);
}

TEST(GameSettings, DefaultsAreAllOnAndSaveAsThreeOnes)
{
    ScopedWorkDir dir(false);
    GameSettings settings;
    expectFlags(settings, true, true, true);
    ASSERT_TRUE(settings.saveToFile("data/settings"));
    EXPECT_EQ(dir.read("data/settings"), "111");
}

TEST(GameSettings, MusicOffWritesZeroOneOneAndReadsBack)
{
    ScopedWorkDir dir(false);
    GameSettings settings;
    settings.music = false;
    ASSERT_TRUE(settings.saveToFile("data/settings"));
    EXPECT_EQ(dir.read("data/settings"), "011");
    GameSettings again;
    again.loadFromFile("data/settings");
    expectFlags(again, false, true, true);
    EXPECT_FALSE(fs::exists(dir.path / "data/settings.tmp"));
}

TEST(GameSettings, EveryCombinationRoundTrips)
{
    ScopedWorkDir dir(false);
    for (int bits = 0; bits < 8; ++bits) {
        GameSettings settings;
        settings.music = bits & 1;
        settings.sound = bits & 2;
        settings.screenshake = bits & 4;
        ASSERT_TRUE(settings.saveToFile("data/settings"));
        GameSettings back;
        back.music = !settings.music;  // prove the load sets every flag
        back.sound = !settings.sound;
        back.screenshake = !settings.screenshake;
        back.loadFromFile("data/settings");
        expectFlags(back, settings.music, settings.sound, settings.screenshake);
    }
}

TEST(GameSettings, ShortEmptyAndMissingFilesKeepWhatTheyDoNotReach)
{
    ScopedWorkDir dir(false);
    expectFlags(loaded(dir, "0"), false, true, true);
    expectFlags(loaded(dir, ""), true, true, true);
    expectFlags(loaded(dir, " 0\n 0 "), false, false, true);  // blanks are skipped
    GameSettings settings;
    settings.loadFromFile("data/no-such-file");
    expectFlags(settings, true, true, true);
}

TEST(GameSettings, OtherCharactersLeaveThatSwitchAlone)
{
    ScopedWorkDir dir(false);
    expectFlags(loaded(dir, "x00"), true, false, false);
    expectFlags(loaded(dir, "0?0"), false, true, false);
    expectFlags(loaded(dir, std::string("\xff\x01\x80", 3)), true, true, true);
    expectFlags(loaded(dir, "true"), true, true, true);
    expectFlags(loaded(dir, "0000000000"), false, false, false);  // extra characters ignored
}

TEST(GameSettings, SaveCreatesAMissingDataDirectory)
{
    ScopedWorkDir dir(false);
    fs::remove_all(dir.path / "data");
    GameSettings settings;
    settings.sound = false;
    ASSERT_TRUE(settings.saveToFile("data/settings"));
    EXPECT_EQ(dir.read("data/settings"), "101");
}

TEST(GameSettings, FailedSaveIsReportedAndKeepsTheOldFile)
{
    ScopedWorkDir dir(false);
    dir.write("data/settings", "011");
    // Make the data directory unwritable; root ignores permissions, so there a
    // directory squatting on the temporary file's name blocks the write instead.
    fs::permissions(dir.path / "data", fs::perms::owner_read | fs::perms::owner_exec);
    if (access((dir.path / "data").string().c_str(), W_OK) == 0) {
        fs::permissions(dir.path / "data", fs::perms::owner_all);
        fs::create_directory(dir.path / "data/settings.tmp");
    }
    GameSettings settings;
    settings.screenshake = false;
    testing::internal::CaptureStdout();
    const bool saved = settings.saveToFile("data/settings");
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_FALSE(saved);
    EXPECT_NE(out.find("Could not save settings"), std::string::npos) << out;
    EXPECT_EQ(dir.read("data/settings"), "011");
}

TEST(GameSettings, DataPathThatIsAFileCannotBeSavedInto)
{
    ScopedWorkDir dir(false);
    fs::remove_all(dir.path / "data");
    dir.write("data", "not a directory");
    GameSettings settings;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(settings.saveToFile("data/settings"));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Could not save settings"), std::string::npos);
    EXPECT_EQ(dir.read("data"), "not a directory");
}

}  // namespace
