#include "Migrations.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "SchemaBackfill.h"

namespace {

// One step of the schema: its statements, written once for both dialects
// (%ID%, %BLOB% and %ROWID% differ), then what needs the game's own code
// (reading demos, folding names), in the same transaction.
struct Step {
    const char *sql;
    void (*code)(Database &db) = nullptr;
};

// The step after which names are kept in a fold that is named, so a new
// fold (ICU's Unicode data with it) refolds them at the next start.
constexpr int kFoldedNames = 5;

// Never edit a step once released: add the next.
const std::vector<Step> kSteps = {
    // 1: names and the runs ranked under them.
    {R"(CREATE TABLE names (
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
        CREATE INDEX runs_ranked ON runs (day, level DESC, gold DESC, kills DESC, submitted_at, id);)"},
    // 2: the days that have runs, for the list of earlier days.
    {R"(CREATE INDEX runs_days ON runs (day);)"},
    // 3: each day's runs counted by level, by level and gold, and by score,
    // and each run's place among the runs of its score (DayRanking).
    {R"(CREATE TABLE day_counts (
          day TEXT PRIMARY KEY,
          runs BIGINT NOT NULL)%ROWID%;
        CREATE TABLE level_counts (
          day TEXT NOT NULL, level INTEGER NOT NULL, runs BIGINT NOT NULL,
          PRIMARY KEY (day, level))%ROWID%;
        CREATE TABLE gold_counts (
          day TEXT NOT NULL, level INTEGER NOT NULL, gold INTEGER NOT NULL, runs BIGINT NOT NULL,
          PRIMARY KEY (day, level, gold))%ROWID%;
        CREATE TABLE score_counts (
          day TEXT NOT NULL, level INTEGER NOT NULL, gold INTEGER NOT NULL, kills INTEGER NOT NULL,
          runs BIGINT NOT NULL,
          PRIMARY KEY (day, level, gold, kills))%ROWID%;
        INSERT INTO day_counts (day, runs) SELECT day, COUNT(*) FROM runs GROUP BY day;
        INSERT INTO level_counts (day, level, runs) SELECT day, level, COUNT(*) FROM runs GROUP BY day, level;
        INSERT INTO gold_counts (day, level, gold, runs)
          SELECT day, level, gold, COUNT(*) FROM runs GROUP BY day, level, gold;
        INSERT INTO score_counts (day, level, gold, kills, runs)
          SELECT day, level, gold, kills, COUNT(*) FROM runs GROUP BY day, level, gold, kills;
        ALTER TABLE runs ADD COLUMN place BIGINT NOT NULL DEFAULT 0;
        UPDATE runs SET place = ranked.place
          FROM (SELECT id, ROW_NUMBER() OVER (PARTITION BY day, level, gold, kills ORDER BY submitted_at, id) AS place
                FROM runs) AS ranked
          WHERE runs.id = ranked.id;
        DROP INDEX runs_ranked;
        DROP INDEX runs_days;
        CREATE INDEX runs_placed ON runs (day, level DESC, gold DESC, kills DESC, place);)"},
    // 4: every ranked run's links, read from the runs' demos.
    {R"(CREATE TABLE run_links (
          day TEXT NOT NULL,
          link %BLOB% NOT NULL,
          final SMALLINT NOT NULL,
          run_id BIGINT NOT NULL,
          PRIMARY KEY (day, link, final, run_id))%ROWID%;)",
     SchemaBackfill::links},
    // 5: names compared in the form PlayerRules::foldName gives now, and
    // the fold they were compared in, so a new one refolds them.
    {"CREATE TABLE name_fold (version TEXT NOT NULL);", SchemaBackfill::names},
};

std::string dialect(std::string sql, bool postgres)
{
    const auto swap = [&](const std::string &from, const char *to) {
        for (std::size_t at; (at = sql.find(from)) != std::string::npos;)
            sql.replace(at, from.size(), to);
    };
    swap("%ID%", postgres ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY AUTOINCREMENT");
    swap("%BLOB%", postgres ? "BYTEA" : "BLOB");
    swap("%ROWID%", postgres ? "" : " WITHOUT ROWID");
    return sql;
}

}  // namespace

int Migrations::latest() { return int(kSteps.size()); }

int Migrations::apply(Database &db, int target)
{
    int at = 0;
    db.beginWrite();
    try {
        db.script("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
        const std::vector<Database::Row> rows = db.query("SELECT COALESCE(MAX(version), 0) FROM schema_version");
        at = rows.empty() ? 0 : std::stoi(rows[0][0]);
        if (at > latest())
            throw std::runtime_error("the database's schema is version " + std::to_string(at) +
                                     ", newer than this server's " + std::to_string(latest()));
        target = std::min(target, latest());
        for (int step = at; step < target; ++step) {
            const Step &s = kSteps[std::size_t(step)];
            if (*s.sql) db.script(dialect(s.sql, db.postgres()));
            if (s.code) s.code(db);
            db.query("INSERT INTO schema_version (version) VALUES ($1)", {Database::Param::number(step + 1)});
        }
        if (std::max(at, target) >= kFoldedNames) SchemaBackfill::refoldIfStale(db);
        db.commit();
    } catch (...) {
        db.rollback();
        throw;
    }
    return std::max(at, target);
}
