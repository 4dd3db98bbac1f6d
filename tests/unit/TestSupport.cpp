#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "raylib.h"

namespace fs = std::filesystem;

ScopedWorkDir::ScopedWorkDir(bool linkAssets) : previous(fs::current_path())
{
    std::random_device seed;
    path = fs::temp_directory_path() / ("tallowfen-test-" + std::to_string(seed()));
    fs::create_directories(path / "data");
    if (linkAssets) {
        const fs::path source = TALLOWFEN_SOURCE_DIR;
        fs::create_directory_symlink(source / "assets", path / "assets");
        fs::create_directory_symlink(source / "shaders", path / "shaders");
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
