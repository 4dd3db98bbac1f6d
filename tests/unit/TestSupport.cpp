#include "TestSupport.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <fstream>
#include <iterator>
#include <random>

#include "raylib.h"

namespace fs = std::filesystem;

void LinkFolder(const fs::path &folder, const fs::path &link)
{
#ifdef _WIN32
    // MinGW's library makes no symbolic links: a copy reads the same.
    fs::copy(folder, link, fs::copy_options::recursive);
#else
    fs::create_directory_symlink(folder, link);
#endif
}

bool MakeFifo(const char *path)
{
#ifdef _WIN32
    (void)path;
    return false;
#else
    return mkfifo(path, 0600) == 0;
#endif
}

ScopedWorkDir::ScopedWorkDir(bool linkAssets) : previous(fs::current_path())
{
    std::random_device seed;
    path = fs::temp_directory_path() / ("tallowfen-test-" + std::to_string(seed()));
    fs::create_directories(path / "data");
    if (linkAssets) {
        const fs::path source = TALLOWFEN_SOURCE_DIR;
        LinkFolder(source / "assets", path / "assets");
        LinkFolder(source / "shaders", path / "shaders");
    }
    fs::current_path(path);
}

ScopedWorkDir::~ScopedWorkDir()
{
    fs::current_path(previous);
    std::error_code ignored;
    fs::permissions(path / "data", fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(path, ignored);
}

void ScopedWorkDir::write(const std::string &relative, const std::string &bytes) const
{
    fs::create_directories((path / relative).parent_path());
    std::ofstream(path / relative, std::ios::binary) << bytes;
}

std::string ScopedWorkDir::read(const std::string &relative) const
{
    std::ifstream in(path / relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void EnsureWindowAndAudio()
{
    if (IsWindowReady()) return;
    SetTraceLogLevel(LOG_WARNING);
    SetConfigFlags(FLAG_WINDOW_HIDDEN);
    InitWindow(600, 450, "Tallowfen tests");
    InitAudioDevice();
    ASSERT_TRUE(IsWindowReady()) << "no display: run the tests under the e2e harness";
    ASSERT_TRUE(IsAudioDeviceReady()) << "no audio device: run the tests under the e2e harness";
}

void InjectKey(int key, bool down) { PlayAutomationEvent(AutomationEvent{0, down ? 2u : 1u, {key, 0, 0, 0}}); }

void InjectMouseButton(int button, bool down)
{
    PlayAutomationEvent(AutomationEvent{0, down ? 6u : 5u, {button, 0, 0, 0}});
}

void InjectMousePosition(int x, int y) { PlayAutomationEvent(AutomationEvent{0, 7u, {x, y, 0, 0}}); }

HeldKeys::HeldKeys(std::initializer_list<int> keys) : keys(keys)
{
    for (int key : this->keys)
        InjectKey(key, true);
}

HeldKeys::~HeldKeys()
{
    for (int key : keys)
        InjectKey(key, false);
}

WallGrid GridOf(std::initializer_list<const char *> rows)
{
    WallGrid grid{};
    int row = 0;
    for (const char *text : rows) {
        for (int column = 0; column < kMapTiles && text[column] != '\0'; ++column)
            grid[row][column] = text[column] == '1';
        ++row;
    }
    return grid;
}

namespace {

// Closes what EnsureWindowAndAudio opened, after the last test.
class WindowEnvironment : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (IsAudioDeviceReady()) CloseAudioDevice();
        if (IsWindowReady()) CloseWindow();
    }
};

const auto *const g_windowEnvironment = ::testing::AddGlobalTestEnvironment(new WindowEnvironment);

}  // namespace
