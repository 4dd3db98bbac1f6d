// The verifier's output read, and the verifier run as a process under its limits.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <memory>
#include <optional>
#include <tuple>

#include "ScratchFolder.h"
#include "Verifier.h"
#include "VerifyPool.h"

namespace {

namespace fs = std::filesystem;

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
    const fs::path dir = fs::temp_directory_path() / ("board-verifier-" + std::to_string(getpid()));
    fs::create_directories(dir);
    // The shell's own commands alone: the sandbox lets it start no other.
    const std::string never = (dir / "never").string();
    ASSERT_EQ(mkfifo(never.c_str(), 0600), 0);  // opened by no writer, ever
    struct Case {
        std::string script;
        int wallSeconds;
        const char *said;
    } cases[] = {
        {"echo 'level 2, gold 1, kills 3, digest 00000000000000ff'; echo 'matches the recording'", 1, ""},
        {"read x <" + never, 1, "the verifier did not finish in 1 s"},
        {"echo started; exec >&- 2>&-; read x <" + never, 1, "the verifier did not finish in 1 s"},
        {"kill -SEGV $$", 1, "the verifier crashed (signal 11)"},
        {"while :; do echo yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy; done", 1,
         "the verifier printed more than a verification does"},
        {"while :; do :; done", 20, "the verifier used more than 1 s of processor time"},
        {"exit 3", 1, "the verifier stopped with status 3"},
    };
    const fs::path script = dir / "verifier.sh";
    for (const Case &c : cases) {
        std::ofstream(script) << "#!/bin/sh\n" << c.script << "\n";
        chmod(script.c_str(), 0755);
        const Verifier verifier{script.string(), dir.string(), {1, c.wallSeconds, 0, 4096}, {}};
        const VerifyOutput out = verifier.verify("a demo");
        EXPECT_EQ(out.kind, c.said[0] ? VerifyOutput::kFailed : VerifyOutput::kMatches) << c.script;
        EXPECT_EQ(out.words, c.said) << c.script;
    }
    const Verifier missing{(dir / "missing").string(), dir.string(), {1, 1, 0, 4096}, {}};
    EXPECT_EQ(missing.verify("a demo").words, "the verifier could not start");
    fs::remove(script);
    fs::remove(never);
    EXPECT_TRUE(fs::is_empty(dir)) << "a demo written for the verifier was left behind";
    fs::remove_all(dir);
}

// A folder of the test's own that the verifier's user may enter.
struct Folder {
    fs::path path;
    explicit Folder(const std::string &name) : path(fs::temp_directory_path() / (name + "-" + std::to_string(getpid())))
    {
        fs::create_directories(path);
        chmod(path.c_str(), 0711);
    }
    ~Folder() { fs::remove_all(path); }
};

// The user a root test runs the verifier as, as the server would; none otherwise.
std::optional<VerifierSandbox::User> verifierUser()
{
    std::string error;
    return geteuid() == 0 ? VerifierSandbox::User::find("nobody", &error) : std::nullopt;
}

// The processes whose command line names `text`, killed as they are found.
int killMentioning(const std::string &text)
{
    int found = 0;
    for (const fs::directory_entry &entry : fs::directory_iterator("/proc")) {
        std::ifstream in(entry.path() / "cmdline");
        const std::string line{std::istreambuf_iterator<char>(in), {}};
        const std::string pid = entry.path().filename().string();
        if (pid.find_first_not_of("0123456789") == std::string::npos && line.find(text) != std::string::npos &&
            std::stoi(pid) != getpid())
            found += kill(std::stoi(pid), SIGKILL) == 0;
    }
    return found;
}

// The fake verifier tries every way to start a process or another program.
TEST(Verifier, StartsNoProcessAndRunsNoOtherProgram)
{
    const Folder dir("board-sandbox");
    const fs::path demo = dir.path / "report.demo";
    std::ofstream(demo) << "report";
    chmod(demo.c_str(), 0644);
    Verifier verifier{FAKE_VERIFIER, dir.path.string(), {5, 30, 0, 4096}, verifierUser()};
    const Verifier::Finished done = verifier.run(demo.string());
    const uid_t uid = verifier.user ? verifier.user->uid : getuid();
    const gid_t gid = verifier.user ? verifier.user->gid : getgid();
    const int groups = verifier.user ? 0 : getgroups(0, nullptr);
    const std::string refused = ": refused (Operation not permitted)\n",
                      none = ": refused (Function not implemented)\n";
    EXPECT_EQ(done.output, "demo: 6 bytes\nuid " + std::to_string(uid) + " gid " + std::to_string(gid) + " groups " +
                               std::to_string(groups) + "\nthread: ran\nfork" + refused + "vfork" + refused +
                               "fork syscall" + refused + "clone3" + none + "posix_spawn" + refused + "execve" + none +
                               "execveat" + none);
    EXPECT_EQ(std::make_tuple(done.started, done.exitCode, done.timedOut), std::make_tuple(true, 0, false));
    EXPECT_EQ(killMentioning(demo.string()), 0) << "a process the verifier started outlived it";
}

// The demo written for it is readable by the verifier's user, and it runs as that user.
TEST(Verifier, RunsAsItsUserAndReadsItsDemo)
{
    const Folder dir("board-sandbox-user");
    const Verifier verifier{FAKE_VERIFIER, dir.path.string(), {5, 30, 0, 4096}, verifierUser()};
    const VerifyOutput out = verifier.verify("a demo");
    ASSERT_EQ(out.kind, VerifyOutput::kMatches) << out.words;
    EXPECT_EQ(std::make_tuple(out.level, out.gold, out.kills),
              std::make_tuple(1, 0, int(verifier.user ? verifier.user->uid : getuid())));
}

// Each server's scratch folder: its own, kept while it lives, and left ones cleaned.
TEST(ScratchFolder, RemovesOnlyWhatDeadServersLeft)
{
    const Folder root("board-scratch");
    const std::optional<VerifierSandbox::User> user = verifierUser();
    std::string error;
    auto living = std::make_unique<ScratchFolder>();
    ASSERT_TRUE(living->make(root.path.string(), user ? &*user : nullptr, &error)) << error;
    // What a server killed at once leaves: its folder with its lock, no longer held; older leftovers.
    const fs::path dead = root.path / "board-dead", stray = root.path / "verify-old.demo";
    fs::create_directories(dead);
    std::ofstream(dead / "lock") << "";
    std::ofstream(stray) << "demo";
    {
        ScratchFolder next;
        ASSERT_TRUE(next.make(root.path.string(), user ? &*user : nullptr, &error)) << error;
        EXPECT_NE(next.path, living->path);
        EXPECT_TRUE(fs::exists(fs::path(living->path) / "lock"));
        EXPECT_FALSE(fs::exists(dead));
        EXPECT_FALSE(fs::exists(stray));
        if (user) {
            struct stat st {};
            ASSERT_EQ(stat(next.path.c_str(), &st), 0);
            EXPECT_EQ(std::make_tuple(st.st_gid, st.st_mode & 07777), std::make_tuple(user->gid, 0710u));
        }
    }
    const std::string kept = living->path;
    living.reset();
    EXPECT_FALSE(fs::exists(kept));
    EXPECT_EQ(fs::directory_iterator(root.path)->path().filename(), "lock");  // the root's own, and nothing else
    // A root that is a link (to anyone's folder) is refused.
    fs::create_directory_symlink(root.path, root.path.string() + "-link");
    ScratchFolder linked;
    EXPECT_FALSE(linked.make(root.path.string() + "-link", nullptr, &error));
    EXPECT_EQ(error, "cannot use " + root.path.string() + "-link: it is not a folder of this user's");
    fs::remove(root.path.string() + "-link");
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
