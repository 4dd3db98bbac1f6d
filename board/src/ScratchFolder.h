#pragma once

#include <string>

#include "VerifierSandbox.h"

// The folder where one server writes the demos its verifiers read: a fresh
// one of its own inside a root that the servers of one data folder share,
// removed when the server ends. Each holds a lock file under flock while its
// server lives, so a server that starts removes the folders of servers that
// died (SIGKILL leaves them) and never a living one's; the root's own lock
// keeps two starts from crossing.
class ScratchFolder {
public:
    ScratchFolder() = default;
    ScratchFolder(const ScratchFolder &) = delete;
    ScratchFolder &operator=(const ScratchFolder &) = delete;
    ~ScratchFolder();

    // Makes the folder in `root`, which is made when missing and must be this
    // user's. With `user`, that user may enter it (and is checked to reach it)
    // but not list or change it. False, with `error` said, when it cannot.
    bool make(const std::string &root, const VerifierSandbox::User *user, std::string *error);

    std::string path;  // empty until made
    int lock = -1;     // held under flock while the server lives
};
