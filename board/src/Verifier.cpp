#include "Verifier.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

extern char **environ;

namespace {

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0) close(fd);
    }
};

// What the child keeps of the server's environment: only the sanitizers'
// options, so a test build's verifier reports as the tests want. But for
// one: LeakSanitizer checks at exit from a tracer process that it clones,
// which the sandbox refuses, so it is off in here; the tests that run the
// game's --verify themselves check its leaks.
std::vector<std::string> childEnvironment()
{
    std::vector<std::string> kept;
    std::string address = "ASAN_OPTIONS=";
    for (char **e = environ; *e != nullptr; ++e) {
        if (std::strncmp(*e, "ASAN_OPTIONS=", 13) == 0) address = std::string(*e) + ":";
        for (const char *prefix : {"UBSAN_OPTIONS=", "LSAN_OPTIONS=", "TSAN_OPTIONS="})
            if (std::strncmp(*e, prefix, std::strlen(prefix)) == 0) kept.emplace_back(*e);
    }
    kept.push_back(address + "detect_leaks=0");
    return kept;
}

void limit(int resource, rlim_t soft, rlim_t hard)
{
    const rlimit value{soft, hard};
    setrlimit(resource, &value);
}

}  // namespace

Verifier::Finished Verifier::run(const std::string &path) const
{
    Finished finished;
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return finished;
    Fd readEnd{ends[0]}, writeEnd{ends[1]};
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends) != 0) return finished;
    Fd serverSide{ends[0]}, childSide{ends[1]};
    Fd devNull{open("/dev/null", O_RDONLY | O_CLOEXEC)};
    // Everything the child needs is made before the fork: it only calls what is safe there.
    VerifierSandbox::filter();
    std::vector<std::string> env = childEnvironment();
    std::vector<char *> envp, argv;
    for (std::string &e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string programArg = program, flag = "--verify", pathArg = path;
    argv = {programArg.data(), flag.data(), pathArg.data(), nullptr};
    const pid_t parent = getpid();
    const rlim_t cpu = rlim_t(limits.cpuSeconds), memory = rlim_t(limits.memoryMegabytes) << 20;
    const VerifierSandbox::User *as = user ? &*user : nullptr;

    const pid_t child = fork();
    if (child < 0) return finished;
    if (child == 0) {
        setpgid(0, 0);
        dup2(devNull.fd, 0);
        dup2(writeEnd.fd, 1);
        dup2(writeEnd.fd, 2);
        dup2(childSide.fd, 3);
        syscall(SYS_close_range, 4u, ~0u, 0u);  // nothing of the server's, its sockets least of all
        limit(RLIMIT_CPU, cpu, cpu + 1);
        if (memory > 0) limit(RLIMIT_AS, memory, memory);
        limit(RLIMIT_FSIZE, 0, 0);
        limit(RLIMIT_CORE, 0, 0);
        limit(RLIMIT_NOFILE, 64, 64);
        const char *failed = as ? VerifierSandbox::become(*as) : nullptr;
        // The server gone, its verifiers go too; set after the change of user, which clears it.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        if (failed == nullptr) failed = VerifierSandbox::confine(3);
        if (failed != nullptr) {
            [[maybe_unused]] const ssize_t said = write(2, failed, std::strlen(failed));
            _exit(127);
        }
        close(3);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    close(writeEnd.fd);
    writeEnd.fd = -1;
    close(childSide.fd);
    childSide.fd = -1;
    setpgid(child, child);  // either side may come first
    Fd process{int(syscall(SYS_pidfd_open, child, 0))};

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(limits.wallSeconds);
    const auto killAll = [&] { kill(-child, SIGKILL), kill(child, SIGKILL); };
    finished.started = VerifierSandbox::admitFirstExec(serverSide.fd, child, deadline);
    if (!finished.started) killAll();  // what it said of why is read below
    char buffer[4096];
    for (;;) {
        const long left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            finished.timedOut = true;
            break;
        }
        pollfd wait{readEnd.fd, POLLIN, 0};
        if (poll(&wait, 1, int(std::min(left, 1000L))) < 0 && errno != EINTR) break;
        if (wait.revents == 0) continue;
        const ssize_t got = read(readEnd.fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // the end of its output: it has exited, or closed it
        if (finished.output.size() + std::size_t(got) > limits.outputBytes) {
            finished.outputCut = true;
            break;
        }
        finished.output.append(buffer, std::size_t(got));
    }
    // Its output is over; the process gets what is left of its time to exit,
    // woken by its pidfd when it does (or, without one, looked at every 10 ms).
    int status = 0;
    for (;;) {
        const pid_t done = finished.timedOut || finished.outputCut ? 0 : waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (finished.timedOut || finished.outputCut || Clock::now() >= deadline) {
            finished.timedOut = !finished.outputCut;
            killAll();
            waitpid(child, &status, 0);
            break;
        }
        const long left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd wait{process.fd, POLLIN, 0};
        poll(&wait, 1, process.fd >= 0 ? int(std::clamp(left, 1L, 1000L)) : 10);
    }
    kill(-child, SIGKILL);  // anything it left running
    if (finished.timedOut || finished.outputCut) return finished;
    if (WIFEXITED(status)) finished.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) finished.signal = WTERMSIG(status);
    return finished;
}

VerifyOutput Verifier::verify(const std::string &bytes) const
{
    std::string path = scratch + "/verify-XXXXXX.demo";
    Fd file{mkstemps(path.data(), 5)};
    if (file.fd < 0) return VerifyOutput::failed("the server could not write the demo for its verifier");
    bool written = true;
    for (std::size_t at = 0; at < bytes.size() && written;) {
        const ssize_t put = write(file.fd, bytes.data() + at, bytes.size() - at);
        written = put > 0;
        at += written ? std::size_t(put) : 0;
    }
    // The verifier's user reads it through its group, and may not change it.
    if (user && (fchown(file.fd, uid_t(-1), user->gid) != 0 || fchmod(file.fd, 0440) != 0)) written = false;
    if (!written) {
        unlink(path.c_str());
        return VerifyOutput::failed("the server could not write the demo for its verifier");
    }
    const Finished finished = run(path);
    unlink(path.c_str());
    if (!finished.started) {
        const std::string why = finished.output.substr(0, finished.output.find('\n'));
        return VerifyOutput::failed("the verifier could not start" + (why.empty() ? "" : ": " + why));
    }
    if (finished.timedOut)
        return VerifyOutput::failed("the verifier did not finish in " + std::to_string(limits.wallSeconds) + " s");
    if (finished.outputCut) return VerifyOutput::failed("the verifier printed more than a verification does");
    if (finished.signal == SIGXCPU || finished.signal == SIGKILL)
        return VerifyOutput::failed("the verifier used more than " + std::to_string(limits.cpuSeconds) +
                                    " s of processor time");
    if (finished.signal != 0)
        return VerifyOutput::failed("the verifier crashed (signal " + std::to_string(finished.signal) + ")");
    if (finished.exitCode == 127 && finished.output.empty())
        return VerifyOutput::failed("the verifier could not start");
    return VerifyOutput::parse(finished.output, finished.exitCode, path);
}
