// Saving the settings when the process dies midway or the disk is full: the
// file on disk is always a whole save, never empty or torn.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <set>
#include <string>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "TestSupport.h"
#include "core/GameSettings.h"

namespace {

namespace fs = std::filesystem;

// The switches the saver writes on its save number i.
std::string cycleValue(std::uint64_t i)
{
    return {char('0' + ((i >> 2) & 1)), char('0' + ((i >> 1) & 1)), char('0' + (i & 1))};
}

GameSettings settingsOf(const std::string &value)
{
    GameSettings s;
    s.music = value[0] == '1';
    s.sound = value[1] == '1';
    s.screenshake = value[2] == '1';
    return s;
}

std::set<std::string> entries(const fs::path &directory)
{
    std::set<std::string> names;
    for (const auto &entry : fs::directory_iterator(directory))
        names.insert(entry.path().filename().string());
    return names;
}

// One settings_saver process and the count of saves it has finished, read
// through the same shared mapping it writes.
class Saver {
public:
    Saver(const std::string &settingsPath, const std::string &counterPath)
    {
        std::ofstream(counterPath, std::ios::binary) << std::string(sizeof(std::uint64_t), '\0');
        counterFd = open(counterPath.c_str(), O_RDWR);
        void *shared = mmap(nullptr, sizeof(std::uint64_t), PROT_READ | PROT_WRITE, MAP_SHARED, counterFd, 0);
        if (shared != MAP_FAILED) finished = static_cast<std::atomic<std::uint64_t> *>(shared);
        this->settingsPath = settingsPath;
        this->counterPath = counterPath;
    }
    ~Saver()
    {
        if (pid > 0) stop();
        if (finished) munmap(finished, sizeof(std::uint64_t));
        if (counterFd >= 0) close(counterFd);
    }
    Saver(const Saver &) = delete;
    Saver &operator=(const Saver &) = delete;

    // Starts a fresh saver; false if it stopped by itself before finishing
    // `saves` saves.
    bool start(std::uint64_t saves)
    {
        finished->store(0);
        pid = fork();
        if (pid < 0) return pid = 0, false;
        if (pid == 0) {
            execl(TALLOWFEN_SETTINGS_SAVER, "settings_saver", settingsPath.c_str(), counterPath.c_str(), nullptr);
            _exit(127);
        }
        return waitFor(saves);
    }
    bool waitFor(std::uint64_t saves)
    {
        while (finished->load() < saves) {
            if (!running()) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(50));
        }
        return true;
    }
    bool running()
    {
        if (pid > 0 && waitpid(pid, &status, WNOHANG) == pid) pid = 0;
        return pid > 0;
    }
    // SIGKILLs it; true if that is what ended it.
    bool stop()
    {
        kill(pid, SIGKILL);
        const bool reaped = waitpid(pid, &status, 0) == pid;
        pid = 0;
        return reaped && WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
    }

    std::atomic<std::uint64_t> *finished = nullptr;
    int status = 0;

private:
    std::string settingsPath, counterPath;
    int counterFd = -1;
    pid_t pid = 0;
};

TEST(SettingsCrash, AKilledSaveLeavesTheLastFinishedSaveOrTheOneUnderWay)
{
    ScopedWorkDir dir(false);
    Saver saver((dir.path / "data/settings").string(), (dir.path / "counter").string());
    ASSERT_NE(saver.finished, nullptr);

    const unsigned seed = std::random_device{}();
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> delayMicroseconds(0, 3000);
    const int kills = 1000;
    int survived = 0;
    std::uint64_t savesSeen = 0;
    for (int k = 0; k < kills; ++k) {
        // Kill only once a save has finished, so every kill lands in the
        // save loop rather than in the saver's start-up.
        ASSERT_TRUE(saver.start(1)) << "the saver stopped by itself, status " << saver.status;
        std::this_thread::sleep_for(std::chrono::microseconds(delayMicroseconds(random)));
        ASSERT_TRUE(saver.stop()) << "status " << saver.status;

        const std::uint64_t done = saver.finished->load();
        savesSeen += done;
        const std::string last = cycleValue(done - 1), underWay = cycleValue(done);
        const std::string onDisk = dir.read("data/settings");
        ASSERT_TRUE(onDisk == last || onDisk == underWay)
            << "kill " << k << " (seed " << seed << ") after " << done << " saves: file holds \"" << onDisk
            << "\", expected \"" << last << "\" or \"" << underWay << "\"";
        GameSettings loaded = settingsOf(onDisk == "000" ? "111" : "000");  // differs from the file somewhere
        loaded.loadFromFile("data/settings");
        const GameSettings expected = settingsOf(onDisk);
        ASSERT_TRUE(loaded.music == expected.music && loaded.sound == expected.sound &&
                    loaded.screenshake == expected.screenshake)
            << "kill " << k << ": \"" << onDisk << "\" did not load as written";
        ++survived;
    }
    std::cout << "[ saves    ] " << survived << " of " << kills << " kills survived (" << savesSeen
              << " saves finished, seed " << seed << ")" << std::endl;

    // Whatever a killed save left behind does not stop the next one.
    ASSERT_TRUE(settingsOf("101").saveToFile("data/settings"));
    EXPECT_EQ(dir.read("data/settings"), "101");
    EXPECT_EQ(entries(dir.path / "data"), std::set<std::string>{"settings"});
}

// Two games saving into one file at once share the temporary file's name;
// neither may rename the other's half-written file into place.
TEST(SettingsCrash, TwoSaversAtOnceNeverShowATornFile)
{
    ScopedWorkDir dir(false);
    const std::string settingsPath = (dir.path / "data/settings").string();
    Saver first(settingsPath, (dir.path / "counter1").string());
    Saver second(settingsPath, (dir.path / "counter2").string());
    ASSERT_TRUE(first.finished && second.finished);
    ASSERT_TRUE(first.start(0) && second.start(0));
    // A saver whose save fails stops, so a failure shows up as well as a tear.
    int reads = 0;
    const auto whole = [](const std::string &s) {
        return s.size() == 3 && s.find_first_not_of("01") == std::string::npos;
    };
    while (first.finished->load() < 300 || second.finished->load() < 300) {
        ASSERT_TRUE(first.running() && second.running())
            << "a saver stopped: statuses " << first.status << ", " << second.status;
        if (!fs::exists(settingsPath)) continue;  // before the first save
        const std::string onDisk = dir.read("data/settings");
        ++reads;
        ASSERT_TRUE(whole(onDisk)) << "read " << reads << " found \"" << onDisk << "\"";
    }
    ASSERT_TRUE(first.stop() && second.stop());
    EXPECT_TRUE(whole(dir.read("data/settings")));
    EXPECT_GT(reads, 0);
}

// In a child with the file size limit at `limit` bytes, saves every value but
// the old file's; the exit code says which check failed.
int saveUnderSizeLimit(rlim_t limit, bool ignoreSignal, const std::string &old, bool expectSaved)
{
    if (ignoreSignal) std::signal(SIGXFSZ, SIG_IGN);
    const rlimit lowered{limit, limit};
    if (setrlimit(RLIMIT_FSIZE, &lowered) != 0) return 2;
    for (std::uint64_t i = 0; i < 8; ++i) {
        const std::string value = cycleValue(i);
        if (value == old) continue;
        const bool saved = settingsOf(value).saveToFile("data/settings");
        if (saved != expectSaved) return 10 + int(i);
        std::ifstream in("data/settings", std::ios::binary);
        const std::string onDisk{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (onDisk != (expectSaved ? value : old)) return 20 + int(i);
        if (entries("data") != std::set<std::string>{"settings"}) return 30 + int(i);
    }
    return 0;
}

TEST(SettingsCrash, AFileSizeLimitFailsTheSaveAndKeepsTheOldFileByteForByte)
{
    const struct {
        rlim_t limit;
        bool ignoreSignal, expectSaved;
        int failedSaves;  // lines of failure expected on standard output
    } cases[] = {
        {0, true, false, 7}, {1, true, false, 7},  {2, true, false, 7},
        {3, true, true, 0},  {0, false, false, 0},  // SIGXFSZ kills the first save, before it can say so
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("limit " + std::to_string(c.limit) + (c.ignoreSignal ? ", SIGXFSZ ignored" : ""));
        ScopedWorkDir dir(false);
        const std::string old = "010";
        dir.write("data/settings", old);
        int output[2];
        ASSERT_EQ(pipe(output), 0);
        std::cout.flush();
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(output[0]);
            dup2(output[1], STDOUT_FILENO);  // a pipe is not held to the file size limit
            _exit(saveUnderSizeLimit(c.limit, c.ignoreSignal, old, c.expectSaved));
        }
        close(output[1]);
        std::string printed;
        char buffer[256];
        for (ssize_t n; (n = read(output[0], buffer, sizeof buffer)) > 0;)
            printed.append(buffer, size_t(n));
        close(output[0]);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);

        if (c.ignoreSignal) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
        } else {
            EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "status " << status;
        }
        if (!c.expectSaved) {
            EXPECT_EQ(dir.read("data/settings"), old);
        }
        int lines = 0;
        for (size_t at = 0; (at = printed.find("Could not save settings", at)) != std::string::npos; ++at)
            ++lines;
        EXPECT_EQ(lines, c.failedSaves) << printed;
        EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), lines) << printed;

        // With the limit gone, saving works again and leaves nothing behind.
        ASSERT_TRUE(settingsOf("100").saveToFile("data/settings"));
        EXPECT_EQ(dir.read("data/settings"), "100");
        EXPECT_EQ(entries(dir.path / "data"), std::set<std::string>{"settings"});
    }
}

}  // namespace
