#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ConnectionPool.h"
#include "Database.h"
#include "Refusal.h"

// The ranked runs and the names they were sent under, on a Database. It
// holds the board's rules that need the stored runs: a name belongs to the
// first key that used it, a key counts one run a day, and a run is ranked
// once, for whoever sent it first: neither a copy of it nor a prefix of it
// counts again. Safe to call from many threads: writes take the one writer
// connection in turn, reads a pooled reader each, never waiting for a write.
class RunStore {
public:
    // A run as the board ranks it.
    struct Entry {
        int64_t id = 0;
        std::string day;
        std::string name;
        int level = 0, gold = 0, kills = 0;
        int64_t tics = 0;
        int64_t lengthMs = 0;
        std::string build;
        int64_t submittedAt = 0;  // milliseconds since 1970, UTC
    };
    // A verified run to rank: the entry's numbers plus who sent it and the demo.
    struct Submission {
        Entry entry;
        std::string keyHash;
        std::string runHash;
        std::string demo;
        // RunIdentity::links of the demo; the last names the run (runHash
        // stands in when there are none).
        std::vector<std::string> links;
    };

    // Brings the schema up to date on `db`, which stays the writer; readers
    // are opened beside it as they are wanted.
    explicit RunStore(std::unique_ptr<Database> db, std::size_t maxReaders = ConnectionPool::kMaxReaders);

    // Whether `sent` would be refused before it is verified, so a run that
    // cannot count costs no verification. When this key sent this very run
    // before, *earlier is that entry (the game retrying a lost answer).
    Refusal precheck(const Submission &sent, std::optional<Entry> *earlier);
    // Ranks `sent` (checking again, in the same transaction), setting its id.
    // *earlier is set as by precheck, and nothing is added then.
    Refusal add(Submission &sent, std::optional<Entry> *earlier);
    // The day's entries in ranking order from `offset`, and how many it has
    // (with `limit` 0, only how many).
    std::vector<Entry> day(const std::string &date, int64_t offset, int64_t limit, int64_t *total);
    // 1 for the best run of its day.
    int64_t rank(const Entry &entry);
    // The days that have runs, newest first.
    std::vector<std::string> days(int64_t offset, int64_t limit);
    std::optional<std::string> demo(int64_t id);
    // True when the database answers.
    bool healthy();

private:
    ConnectionPool pool;

    static Refusal rules(Database &db, const Submission &sent, std::optional<Entry> *earlier);
};
