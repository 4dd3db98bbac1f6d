#include "RunStore.h"

#include "DayRanking.h"
#include "Migrations.h"
#include "PlayerRules.h"
#include "RunLinks.h"

namespace {

using P = Database::Param;

const char *kEntryColumns = "id, day, name, level, gold, kills, tics, length_ms, build, submitted_at";

RunStore::Entry entryOf(const Database::Row &row)
{
    RunStore::Entry e;
    e.id = std::stoll(row[0]);
    e.day = row[1];
    e.name = row[2];
    e.level = std::stoi(row[3]), e.gold = std::stoi(row[4]), e.kills = std::stoi(row[5]);
    e.tics = std::stoll(row[6]), e.lengthMs = std::stoll(row[7]);
    e.build = row[8];
    e.submittedAt = std::stoll(row[9]);
    return e;
}

DayRanking::Score scoreOf(const RunStore::Entry &e) { return {e.level, e.gold, e.kills}; }

std::unique_ptr<Database> migrated(std::unique_ptr<Database> db)
{
    Migrations::apply(*db);
    return db;
}

// A read on a reader of the pool; in one snapshot of the database when it
// takes more than one statement (one statement sees one moment anyway).
template <typename Read> auto reading(ConnectionPool &pool, Read read, bool snapshot = true)
{
    ConnectionPool::Lease db = pool.read();
    if (!snapshot) return read(*db);
    db->beginRead();
    try {
        auto result = read(*db);
        db->commit();
        return result;
    } catch (...) {
        db->rollback();
        throw;
    }
}

const Refusal kAlreadyRanked{409, "already_ranked",
                             "this run is already on the board, for the player who sent it first"};

}  // namespace

RunStore::RunStore(std::unique_ptr<Database> database, std::size_t maxReaders)
    : pool(migrated(std::move(database)), maxReaders)
{
}

Refusal RunStore::rules(Database &db, const Submission &sent, std::optional<Entry> *earlier)
{
    // The same run from the same key is answered as before; any other run
    // that ends where a ranked run of the day ends or passes is a copy of it.
    const auto same = [&](const std::string &where, const P &value) -> std::optional<Refusal> {
        const auto rows =
            db.query(std::string("SELECT key_hash, ") + kEntryColumns + " FROM runs WHERE " + where, {value});
        if (rows.empty()) return std::nullopt;
        if (rows[0][0] != sent.keyHash) return kAlreadyRanked;
        *earlier = entryOf(Database::Row(rows[0].begin() + 1, rows[0].end()));
        return Refusal{};
    };
    const std::string &last = sent.links.empty() ? sent.runHash : sent.links.back();
    if (const std::optional<RunLinks::Found> found = RunLinks::find(db, sent.entry.day, last)) {
        if (!found->final) return kAlreadyRanked;
        if (const auto answer = same("id = $1", P::number(found->runId))) return *answer;
    }
    if (const auto answer = same("run_hash = $1", P::text(sent.runHash))) return *answer;
    const auto owner =
        db.query("SELECT key_hash FROM names WHERE folded = $1", {P::text(PlayerRules::foldName(sent.entry.name))});
    if (!owner.empty() && owner[0][0] != sent.keyHash)
        return Refusal{409, "name_taken", "the name " + sent.entry.name + " belongs to another player"};
    const auto counted = db.query("SELECT id FROM runs WHERE day = $1 AND key_hash = $2",
                                  {P::text(sent.entry.day), P::text(sent.keyHash)});
    if (!counted.empty())
        return Refusal{409, "day_counted", "this player's daily run of " + sent.entry.day + " is already counted"};
    return {};
}

Refusal RunStore::precheck(const Submission &sent, std::optional<Entry> *earlier)
{
    return reading(pool, [&](Database &db) { return rules(db, sent, earlier); });
}

Refusal RunStore::add(Submission &sent, std::optional<Entry> *earlier)
{
    ConnectionPool::Lease db = pool.write();
    db->beginWrite();
    try {
        const Refusal refusal = rules(*db, sent, earlier);
        if (refusal.refused() || earlier->has_value()) {
            db->rollback();
            return refusal;
        }
        const Entry &e = sent.entry;
        db->query(
            "INSERT INTO names (folded, name, key_hash, claimed_at) VALUES ($1, $2, $3, $4) "
            "ON CONFLICT (folded) DO NOTHING",
            {P::text(PlayerRules::foldName(e.name)), P::text(e.name), P::text(sent.keyHash), P::number(e.submittedAt)});
        const int64_t place = DayRanking::placeFor(*db, e.day, scoreOf(e), e.submittedAt);
        const auto id = db->query(
            "INSERT INTO runs (day, key_hash, name, level, gold, kills, tics, length_ms, build, submitted_at, "
            "run_hash, demo, place) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13) RETURNING id",
            {P::text(e.day), P::text(sent.keyHash), P::text(e.name), P::number(e.level), P::number(e.gold),
             P::number(e.kills), P::number(e.tics), P::number(e.lengthMs), P::text(e.build), P::number(e.submittedAt),
             P::text(sent.runHash), P::blob(sent.demo), P::number(place)});
        const int64_t runId = std::stoll(id.at(0).at(0));
        DayRanking::count(*db, e.day, scoreOf(e));
        RunLinks::add(*db, e.day, runId, sent.links, sent.runHash);
        db->commit();
        sent.entry.id = runId;
    } catch (...) {
        db->rollback();
        throw;
    }
    return {};
}

std::vector<RunStore::Entry> RunStore::day(const std::string &date, int64_t offset, int64_t limit, int64_t *total)
{
    if (limit <= 0) {
        *total = reading(
            pool, [&](Database &db) { return DayRanking::total(db, date); }, false);
        return {};
    }
    return reading(pool, [&](Database &db) {
        *total = DayRanking::total(db, date);
        std::vector<Entry> entries;
        if (offset < *total)
            for (const Database::Row &row : DayRanking::page(db, kEntryColumns, date, offset, limit))
                entries.push_back(entryOf(row));
        return entries;
    });
}

int64_t RunStore::rank(const Entry &e)
{
    return reading(
        pool,
        [&](Database &db) {
            if (const std::optional<int64_t> rank = DayRanking::rankOf(db, e.id)) return *rank;
            // An entry not on the board: where it would stand among its score's runs.
            const auto before = db.query("SELECT COUNT(*) FROM runs WHERE day = $1 AND level = $2 AND gold = $3 AND "
                                         "kills = $4 AND (submitted_at < $5 OR (submitted_at = $5 AND id < $6))",
                                         {P::text(e.day), P::number(e.level), P::number(e.gold), P::number(e.kills),
                                          P::number(e.submittedAt), P::number(e.id)});
            return DayRanking::ahead(db, e.day, scoreOf(e)) + int64_t(std::stoll(before.at(0).at(0))) + 1;
        },
        false);
}

std::vector<std::string> RunStore::days(int64_t offset, int64_t limit)
{
    return reading(
        pool,
        [&](Database &db) {
            std::vector<std::string> out;
            for (const Database::Row &row : db.query("SELECT day FROM day_counts ORDER BY day DESC LIMIT $1 OFFSET $2",
                                                     {P::number(limit), P::number(offset)}))
                out.push_back(row.at(0));
            return out;
        },
        false);
}

std::optional<std::string> RunStore::demo(int64_t id)
{
    return reading(
        pool,
        [&](Database &db) -> std::optional<std::string> {
            const auto rows = db.query("SELECT demo FROM runs WHERE id = $1", {P::number(id)});
            if (rows.empty()) return std::nullopt;
            return rows[0].at(0);
        },
        false);
}

bool RunStore::healthy()
{
    try {
        return reading(
            pool, [](Database &db) { return db.query("SELECT 1").size() == 1; }, false);
    } catch (const std::exception &) {
        return false;
    }
}
