#pragma once

#include <map>
#include <string>

#include "Database.h"

struct sqlite3;
struct sqlite3_stmt;

// The board's storage in one SQLite file: WAL journal with full sync, so a
// committed run survives the process killed and the machine losing power.
// In WAL, readers on connections of their own see the last commit and never
// wait for the one writer.
class SqliteDatabase : public Database {
public:
    enum Role {
        kWriter,
        kReader,  // refuses to write
    };
    explicit SqliteDatabase(const std::string &path, Role role = kWriter);
    ~SqliteDatabase() override;
    SqliteDatabase(const SqliteDatabase &) = delete;
    SqliteDatabase &operator=(const SqliteDatabase &) = delete;

    bool postgres() const override { return false; }
    std::unique_ptr<Database> openReader() const override;
    void script(const std::string &sql) override;
    std::vector<Row> query(const std::string &sql, const std::vector<Param> &params = {}) override;
    void beginWrite() override { script("BEGIN IMMEDIATE"); }
    void beginRead() override { script("BEGIN"); }
    void commit() override { script("COMMIT"); }
    void rollback() override;

private:
    std::string path;
    sqlite3 *db = nullptr;
    std::map<std::string, sqlite3_stmt *> prepared;

    [[noreturn]] void fail(const std::string &what) const;
};
