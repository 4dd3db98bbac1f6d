// The verifier's output read, and the verifier run as a process under its limits.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <tuple>

#include "Verifier.h"
#include "VerifyPool.h"

namespace {

TEST(VerifyOutput, ReadsOnlyWhatTheGamePrints)
{
    const std::string n = "level 5, gold 7, kills 14, digest f94965e59811789a\n", matches = "matches the recording\n";
    using K = VerifyOutput::Kind;
    const struct {
        std::string output;
        int exit;
        K kind;
        const char *words;
    } cases[] = {
        {n + matches, 0, K::kMatches, ""},
        {"/d.demo was recorded by Tallowfen 0.9.0; this is Tallowfen 1.0.0\n" + n + matches, 0, K::kMatches, ""},
        {n + "differs: level 3 differs by update 9\n", 1, K::kDiffers, "level 3 differs by update 9"},
        {"tallowfen: cannot verify /d.demo: its header is damaged\n", 2, K::kCannot, "its header is damaged"},
        {n + matches, 1, K::kFailed, ""},
        {n + "differs: x\n", 0, K::kFailed, ""},
        {"level 05, gold 7, kills 14, digest f94965e59811789a\n" + matches, 0, K::kFailed, ""},
        {"level 5, gold 7, kills 14, digest f94965e59811789\n" + matches, 0, K::kFailed, ""},
        {"level 5, gold -7, kills 14, digest f94965e59811789a\n" + matches, 0, K::kFailed, ""},
        {"tallowfen: cannot verify /other.demo: its header is damaged\n", 2, K::kFailed, ""},
        {"", 139, K::kFailed, ""},
    };
    for (const auto &c : cases) {
        const VerifyOutput out = VerifyOutput::parse(c.output, c.exit, "/d.demo");
        EXPECT_EQ(out.kind, c.kind) << c.output;
        EXPECT_EQ(c.kind == K::kFailed ? c.words : out.words, c.words) << c.output;
        if (c.kind == K::kMatches) {
            EXPECT_EQ(std::tie(out.level, out.gold, out.kills, out.digest),
                      std::make_tuple(5, 7, 14, "f94965e59811789a"));
        }
    }
}

// A verifier that misbehaves costs its own process, within the limits.
TEST(Verifier, HoldsAMisbehavingVerifierToItsLimits)
{
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("board-verifier-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    struct Case {
        const char *script;
        int wallSeconds;
        const char *said;
    } cases[] = {
        {"echo 'level 2, gold 1, kills 3, digest 00000000000000ff'; echo 'matches the recording'", 1, ""},
        {"exec sleep 600", 1, "the verifier did not finish in 1 s"},
        {"sleep 600 & echo started; exec >&- 2>&-; wait", 1, "the verifier did not finish in 1 s"},
        {"kill -SEGV $$", 1, "the verifier crashed (signal 11)"},
        {"exec yes", 1, "the verifier printed more than a verification does"},
        {"while :; do :; done", 20, "the verifier used more than 1 s of processor time"},
        {"exit 3", 1, "the verifier stopped with status 3"},
        {"exec /nonexistent/verifier", 1, "the verifier stopped with status 127"},
    };
    for (const Case &c : cases) {
        const std::filesystem::path script = dir / "verifier.sh";
        std::ofstream(script) << "#!/bin/sh\n" << c.script << "\n";
        chmod(script.c_str(), 0755);
        const Verifier verifier{script.string(), dir.string(), {1, c.wallSeconds, 0, 4096}};
        const VerifyOutput out = verifier.verify("a demo");
        EXPECT_EQ(out.kind, c.said[0] ? VerifyOutput::kFailed : VerifyOutput::kMatches) << c.script;
        EXPECT_EQ(out.words, c.said) << c.script;
    }
    std::filesystem::remove(dir / "verifier.sh");
    EXPECT_TRUE(std::filesystem::is_empty(dir)) << "a demo written for the verifier was left behind";
    std::filesystem::remove_all(dir);
}

TEST(VerifyPool, TurnsAwayWhatTheQueueCannotHold)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> started;
    VerifyPool pool(1, 2, [&](const std::string &demo) {
        if (demo == "first") started.set_value();
        released.wait();
        return VerifyOutput::failed(demo);
    });
    auto first = pool.submit("first");
    started.get_future().wait();  // the worker holds "first": the queue is empty again
    auto second = pool.submit("second"), third = pool.submit("third");
    EXPECT_EQ(pool.waiting(), 2u);
    EXPECT_FALSE(pool.submit("fourth").has_value());
    release.set_value();
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(first->get().words, "first");
    EXPECT_EQ(third->get().words, "third");
    EXPECT_EQ(second->get().words, "second");
    EXPECT_TRUE(pool.submit("fifth").has_value());
}

}  // namespace
