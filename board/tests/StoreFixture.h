// The store's tests on both databases: a fresh SQLite file, or a fresh
// database on the cluster that postgres_fixture.py started for the run
// (BOARD_TEST_POSTGRES names its file). Without that file the PostgreSQL
// cases are skipped: ctest always gives it.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "PgDatabase.h"
#include "RunStore.h"
#include "SqliteDatabase.h"

class StoreFixture : public ::testing::TestWithParam<bool> {
protected:
    bool postgres() const { return GetParam(); }

    void SetUp() override
    {
        if (!postgres()) {
            std::filesystem::create_directories(dir);
            return;
        }
        const char *file = std::getenv("BOARD_TEST_POSTGRES");
        std::ifstream in(file ? file : "");
        if (!std::getline(in, admin)) GTEST_SKIP() << "no PostgreSQL cluster for this run (BOARD_TEST_POSTGRES)";
        static std::atomic<int> made{0};
        name = "store_" + std::to_string(getpid()) + "_" + std::to_string(made++);
        PgDatabase(admin).script("CREATE DATABASE " + name);
    }

    void TearDown() override
    {
        if (!name.empty()) PgDatabase(admin).script("DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
        std::filesystem::remove_all(dir);
    }

    std::unique_ptr<Database> connect() const
    {
        if (!postgres()) return std::make_unique<SqliteDatabase>((dir / "board.sqlite3").string());
        return std::make_unique<PgDatabase>(admin.substr(0, admin.rfind('/') + 1) + name);
    }
    std::unique_ptr<RunStore> open() const { return std::make_unique<RunStore>(connect()); }

    std::filesystem::path dir = std::filesystem::temp_directory_path() / ("board-store-" + std::to_string(getpid()));
    std::string admin, name;
};

inline std::string backendName(const ::testing::TestParamInfo<bool> &info)
{
    return info.param ? "PostgreSQL" : "SQLite";
}

// A run to store; its run hash and its one link are made from what it is.
inline RunStore::Submission storeRun(const std::string &key, const std::string &name, int level, int gold, int kills,
                                     int64_t at, const std::string &day = "2026-12-08")
{
    RunStore::Submission s;
    s.keyHash = key;
    s.runHash = key + name + std::to_string(level) + std::to_string(gold) + std::to_string(kills) + day;
    s.demo = "demo of " + s.runHash + std::string(1, '\0') + "\xff";
    s.entry.day = day;
    s.entry.name = name;
    s.entry.level = level, s.entry.gold = gold, s.entry.kills = kills, s.entry.submittedAt = at;
    return s;
}

inline Refusal storeAdd(RunStore &store, RunStore::Submission s)
{
    std::optional<RunStore::Entry> earlier;
    return store.add(s, &earlier);
}
