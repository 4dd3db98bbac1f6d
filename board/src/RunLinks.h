#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Database.h"

// Every ranked run's links (RunIdentity), kept by day, so a run whose last
// link is already on the board, a copy or a prefix of a ranked run, is
// known at once. Many runs may share a link (the first marks of two honest
// runs can be alike); `final` marks the link that names a whole run.
class RunLinks {
public:
    struct Found {
        int64_t runId = 0;
        bool final = false;
    };
    // In the run's write transaction. A run without links is named by `runHash` alone.
    static void add(Database &db, const std::string &day, int64_t runId, const std::vector<std::string> &links,
                    const std::string &runHash);
    // A ranked run of `day` with `link` among its links: one that ends with it, when there is one.
    static std::optional<Found> find(Database &db, const std::string &day, const std::string &link);
    // The stored form: 64 hex digits as their 32 bytes (anything else as it is).
    static std::string packed(const std::string &link);
};
