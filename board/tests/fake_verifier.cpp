// A verifier that tries to get out of its sandbox, for the board's tests. It
// starts a thread (which must run), then tries every way of starting a
// process (the forked child would leave a grandchild in a session of its own,
// out of reach of its group's kill) and of running another program.
// `--verify FILE`: for a FILE that says "report", a line for each try;
// for any other, the game's two lines, whose numbers say what happened:
//   level <1 when it could read FILE>, gold <tries that started>, kills <its uid>
#include <fcntl.h>
#include <linux/sched.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

extern char **environ;

namespace {

bool report = false;
int started = 0;

void say(const char *what, bool ok, const char *how)
{
    started += ok;
    if (report)
        std::printf("%s: %s%s\n", what, how, ok ? "" : (std::string(" (") + std::strerror(errno) + ")").c_str());
    std::fflush(stdout);
}

// A child that a kill of its group would not reach, left behind for a while.
[[noreturn]] void escape()
{
    setsid();
    if (fork() == 0) {
        for (int fd = 0; fd < 3; ++fd)
            close(fd);
        sleep(30);
    }
    _exit(0);
}

// Reports a process start: `pid` is the child's in the parent, 0 in the child.
void started_process(const char *what, long pid)
{
    if (pid == 0) _exit(0);
    if (pid > 0) waitpid(pid_t(pid), nullptr, 0);
    say(what, pid > 0, pid > 0 ? "started" : "refused");
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || std::strcmp(argv[1], "--verify") != 0) return 2;
    std::ifstream in(argv[2], std::ios::binary);
    const std::string demo{std::istreambuf_iterator<char>(in), {}};
    report = demo == "report";
    if (report)
        std::printf("demo: %zu bytes\nuid %d gid %d groups %d\n", demo.size(), int(getuid()), int(getgid()),
                    getgroups(0, nullptr));
    bool ran = false;
    std::thread([&] { ran = true; }).join();
    if (report) std::printf("thread: %s\n", ran ? "ran" : "did not run");

    const pid_t forked = fork();
    if (forked == 0) escape();
    started_process("fork", forked);
    started_process("vfork", vfork());
    started_process("fork syscall", syscall(SYS_fork));  // the C library's fork calls clone
    clone_args args{};
    args.exit_signal = SIGCHLD;
    started_process("clone3", syscall(SYS_clone3, &args, sizeof args));
    pid_t spawned = 0;
    char truth[] = "/bin/true";
    char *trueArgv[] = {truth, nullptr};
    const int spawn = posix_spawn(&spawned, truth, nullptr, nullptr, trueArgv, environ);
    errno = spawn;
    started_process("posix_spawn", spawn == 0 ? spawned : -1);

    // Another program in its place: it says so itself, and this one's lines end there.
    char echo[] = "/bin/echo", line[] = "exec: started";
    char *echoArgv[] = {echo, line, nullptr};
    execve(echo, echoArgv, environ);
    say("execve", false, "refused");
    syscall(SYS_execveat, AT_FDCWD, echo, echoArgv, environ, 0);
    say("execveat", false, "refused");

    if (!report)
        std::printf("level %d, gold %d, kills %d, digest 0000000000000000\nmatches the recording\n",
                    demo.empty() ? 0 : 1, started, int(getuid()));
    return 0;
}
