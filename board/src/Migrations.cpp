#include "Migrations.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The schema's steps, written once for both dialects (%ID% and %BLOB%
// differ). Never edit a step once released: add the next.
const std::vector<const char *> kSteps = {
    // 1: names and the runs ranked under them.
    R"(CREATE TABLE names (
          folded TEXT PRIMARY KEY,
          name TEXT NOT NULL,
          key_hash TEXT NOT NULL,
          claimed_at BIGINT NOT NULL);
        CREATE TABLE runs (
          id %ID%,
          day TEXT NOT NULL,
          key_hash TEXT NOT NULL,
          name TEXT NOT NULL,
          level INTEGER NOT NULL,
          gold INTEGER NOT NULL,
          kills INTEGER NOT NULL,
          tics INTEGER NOT NULL,
          length_ms BIGINT NOT NULL,
          build TEXT NOT NULL,
          submitted_at BIGINT NOT NULL,
          run_hash TEXT NOT NULL UNIQUE,
          demo %BLOB% NOT NULL,
          UNIQUE (day, key_hash));
        CREATE INDEX runs_ranked ON runs (day, level DESC, gold DESC, kills DESC, submitted_at, id);)",
    // 2: the days that have runs, for the list of earlier days.
    R"(CREATE INDEX runs_days ON runs (day);)",
};

std::string dialect(std::string sql, bool postgres)
{
    const auto swap = [&](const std::string &from, const char *to) {
        for (std::size_t at; (at = sql.find(from)) != std::string::npos;)
            sql.replace(at, from.size(), to);
    };
    swap("%ID%", postgres ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT");
    swap("%BLOB%", postgres ? "BYTEA" : "BLOB");
    return sql;
}

}  // namespace

int Migrations::latest() { return int(kSteps.size()); }

int Migrations::apply(Database &db)
{
    db.beginWrite();
    try {
        db.script("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
        const std::vector<Database::Row> rows = db.query("SELECT COALESCE(MAX(version), 0) FROM schema_version");
        const int at = rows.empty() ? 0 : std::stoi(rows[0][0]);
        if (at > latest())
            throw std::runtime_error("the database's schema is version " + std::to_string(at) +
                                     ", newer than this server's " + std::to_string(latest()));
        for (int step = at; step < latest(); ++step) {
            db.script(dialect(kSteps[std::size_t(step)], db.postgres()));
            db.query("INSERT INTO schema_version (version) VALUES ($1)", {Database::Param::number(step + 1)});
        }
        db.commit();
    } catch (...) {
        db.rollback();
        throw;
    }
    return latest();
}
