#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Database.h"

// Fills a day of a board's database with synthetic runs through the real
// schema (runs and their places, links, counts and names), for measuring a
// day of a million runs: levels fall off as a real day's do, with their
// gold and kills, so scores tie as they would; every run has its own key
// and name and one link a mark, the first shared by all. One transaction,
// prepared statements on SQLite and COPY on PostgreSQL.
class DaySeeder {
public:
    // A SQLite file's path, or a postgresql:// address.
    static std::unique_ptr<Database> open(const std::string &where);
    // Throws when the day already has runs (or on any failure, adding nothing).
    // Each day draws its own runs from `seed`.
    static void seed(Database &db, const std::string &day, int64_t count, uint64_t seed = 1);
};
