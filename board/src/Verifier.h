#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "VerifierSandbox.h"
#include "VerifyOutput.h"

// Runs the game's own check of a demo, `tallowfen --verify FILE`, in a
// process of its own held to limits: processor time and address space
// (setrlimit), its output (read through a pipe, cut off past a size), the
// wall clock (killed when time is up), and a sandbox (VerifierSandbox) that
// lets it start no process and run no other program, as an unprivileged
// user when the server is root. A demo that crashes or hangs the verifier
// costs that one process and no more: the server only reads what came out.
class Verifier {
public:
    struct Limits {
        int cpuSeconds = 30;
        int wallSeconds = 60;
        long memoryMegabytes = 1024;  // 0: no limit (a sanitizer's build reserves terabytes)
        std::size_t outputBytes = 64 * 1024;
    };
    // How the process ended.
    struct Finished {
        int exitCode = -1;  // of a normal exit, else -1
        int signal = 0;     // that killed it, else 0
        bool timedOut = false;
        bool outputCut = false;
        bool started = false;  // it reached its exec in the sandbox
        std::string output;    // standard output and error together
    };

    std::string program;  // the game, or anything that answers like it
    std::string scratch;  // where the demo is written for it to read
    Limits limits;
    std::optional<VerifierSandbox::User> user;  // when the server is root: whom the verifier runs as

    // Verifies the demo `bytes`, written to a fresh file in `scratch` that is
    // removed again.
    VerifyOutput verify(const std::string &bytes) const;
    // Runs `program --verify path` to its end or its limits.
    Finished run(const std::string &path) const;
};
