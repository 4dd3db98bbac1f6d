#pragma once

#include <linux/filter.h>
#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

// What a verifier's process may do, set up in the child between fork and
// exec. A server started as root runs it as an unprivileged user; and a
// seccomp filter refuses it every new process (fork, vfork, clone but for a
// thread, clone3) and every exec but the one that starts it. The filter hands
// exec to the server, which lets the first through and then drops the
// filter's listener, after which the kernel answers every exec ENOSYS.
class VerifierSandbox {
public:
    // The user the verifier runs as when the server is root.
    struct User {
        std::string name;
        uid_t uid = 0;
        gid_t gid = 0;

        // The user called `name`; when empty, the package's own user where
        // it exists, else nobody. Nothing, with `error` said, when there is none.
        static std::optional<User> find(const std::string &name, std::string *error);
        // The first folder on the way to `path` (or `path` itself) that this
        // user may not enter, by its mode bits; empty when there is none.
        std::string barrier(const std::string &path) const;
    };

    // The filter, made once (by libseccomp) before any fork.
    static const std::vector<sock_filter> &filter();

    // In the child, after fork and before exec: only async-signal-safe calls
    // from here. Each says what failed, or returns nullptr.
    static const char *become(const User &user);
    // Installs the filter and sends its listener to the server on `socket`.
    static const char *confine(int socket);

    // In the server: takes the listener from `socket`, and lets `child`'s
    // first exec go on. False when the child ended or did not get that far
    // before `deadline`.
    static bool admitFirstExec(int socket, pid_t child, std::chrono::steady_clock::time_point deadline);
};
