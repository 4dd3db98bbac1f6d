#pragma once

#include <map>
#include <string>

#include "Database.h"

struct pg_conn;

// The board's storage on a PostgreSQL server, for several board servers
// sharing one database. A run is on disk once its transaction commits. A
// connection that broke is opened again at the next statement.
class PgDatabase : public Database {
public:
    explicit PgDatabase(const std::string &uri);
    ~PgDatabase() override;
    PgDatabase(const PgDatabase &) = delete;
    PgDatabase &operator=(const PgDatabase &) = delete;

    bool postgres() const override { return true; }
    void script(const std::string &sql) override;
    std::vector<Row> query(const std::string &sql, const std::vector<Param> &params = {}) override;
    void beginWrite() override;
    void begin() override { script("BEGIN"); }
    void commit() override { script("COMMIT"); }
    void rollback() override;

    // Every board server takes this advisory lock to write, and to migrate the schema.
    static constexpr long long kWriteLock = 0x7461'6c6c'6f77;

private:
    std::string uri;
    pg_conn *conn = nullptr;
    std::map<std::string, std::string> prepared;  // the statement's text to its name

    void connect();
};
