#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Database.h"

// A day's ranking kept in counts, so neither a rank nor a page deep in a
// day of a million runs walks the runs before it. A score is (level, gold,
// kills), better by level, then gold, then kills; the day keeps how many
// runs it has of each level, of each level and gold, and of each score.
// Runs of one score are in the order they were sent (submitted_at, then
// id), numbered from 1 by their `place` in that group, so a run's rank is
// the runs of better scores plus its place.
class DayRanking {
public:
    struct Score {
        int level = 0, gold = 0, kills = 0;
    };

    // In the write transaction, before the run is added: its place in its
    // score's group, with the runs sent later that are already there (a
    // slow handler, another server's clock) moved one place down.
    static int64_t placeFor(Database &db, const std::string &day, const Score &score, int64_t submittedAt);
    // In the same transaction: one run more of `score`.
    static void count(Database &db, const std::string &day, const Score &score);

    static int64_t total(Database &db, const std::string &day);
    // The rank of the stored run `id` in its day, in one statement.
    static std::optional<int64_t> rankOf(Database &db, int64_t id);
    // How many runs of `day` have a better score.
    static int64_t ahead(Database &db, const std::string &day, const Score &score);
    // `columns` of the runs of `day` in ranking order from `offset`, at most `limit`.
    static std::vector<Database::Row> page(Database &db, const std::string &columns, const std::string &day,
                                           int64_t offset, int64_t limit);
};
