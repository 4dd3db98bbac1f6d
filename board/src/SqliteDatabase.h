#pragma once

#include <map>
#include <string>

#include "Database.h"

struct sqlite3;
struct sqlite3_stmt;

// The board's storage in one SQLite file: WAL journal with full sync, so a
// committed run survives the process killed and the machine losing power.
class SqliteDatabase : public Database {
public:
    explicit SqliteDatabase(const std::string &path);
    ~SqliteDatabase() override;
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    bool postgres() const override { return false; }
    void script(const std::string &sql) override;
    std::vector<Row> query(const std::string &sql, const std::vector<Param> &params = {}) override;
    void beginWrite() override { script("BEGIN IMMEDIATE"); }
    void begin() override { script("BEGIN"); }
    void commit() override { script("COMMIT"); }
    void rollback() override;

private:
    sqlite3 *db = nullptr;
    std::map<std::string, sqlite3_stmt *> prepared;

    [[noreturn]] void fail(const std::string &what) const;
};
