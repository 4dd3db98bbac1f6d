#pragma once

#include <functional>
#include <map>
#include <string>

#include "Database.h"

struct pg_conn;

// The board's storage on a PostgreSQL server, for several board servers
// sharing one database. A run is on disk once its transaction commits. A
// connection that broke is opened again at the next statement.
class PgDatabase : public Database {
public:
    explicit PgDatabase(const std::string &uri, bool reader = false);
    ~PgDatabase() override;
    PgDatabase(const PgDatabase &) = delete;
    PgDatabase &operator=(const PgDatabase &) = delete;

    bool postgres() const override { return true; }
    std::unique_ptr<Database> openReader() const override;
    void script(const std::string &sql) override;
    std::vector<Row> query(const std::string &sql, const std::vector<Param> &params = {}) override;
    void beginWrite() override;
    void beginRead() override { script("BEGIN ISOLATION LEVEL REPEATABLE READ, READ ONLY"); }
    void commit() override { script("COMMIT"); }
    void rollback() override;

    // COPY's fast path for many rows: `target` is "table (columns)", and
    // `next` fills each row's columns as text (a bytea as "\\x" and hex)
    // until it returns false. Throws on failure.
    void copy(const std::string &target, const std::function<bool(Row &)> &next);

    // Every board server takes this advisory lock to write, and to migrate the schema.
    static constexpr long long kWriteLock = 0x7461'6c6c'6f77;

private:
    std::string uri;
    bool reader = false;
    pg_conn *conn = nullptr;
    std::map<std::string, std::string> prepared;  // the statement's text to its name

    void connect();
};
