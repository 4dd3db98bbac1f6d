#include "RunStore.h"

#include "Migrations.h"
#include "PlayerRules.h"

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

}  // namespace

RunStore::RunStore(std::unique_ptr<Database> database) : db(std::move(database)) { Migrations::apply(*db); }

Refusal RunStore::rules(const Submission &sent, std::optional<Entry> *earlier)
{
    const auto same = db->query(std::string("SELECT key_hash, ") + kEntryColumns + " FROM runs WHERE run_hash = $1",
                                {P::text(sent.runHash)});
    if (!same.empty()) {
        if (same[0][0] != sent.keyHash)
            return Refusal{409, "already_ranked", "this run is already on the board, for the player who sent it first"};
        *earlier = entryOf(Database::Row(same[0].begin() + 1, same[0].end()));
        return {};
    }
    const auto owner =
        db->query("SELECT key_hash FROM names WHERE folded = $1", {P::text(PlayerRules::foldName(sent.entry.name))});
    if (!owner.empty() && owner[0][0] != sent.keyHash)
        return Refusal{409, "name_taken", "the name " + sent.entry.name + " belongs to another player"};
    const auto counted = db->query("SELECT id FROM runs WHERE day = $1 AND key_hash = $2",
                                   {P::text(sent.entry.day), P::text(sent.keyHash)});
    if (!counted.empty())
        return Refusal{409, "day_counted", "this player's daily run of " + sent.entry.day + " is already counted"};
    return {};
}

Refusal RunStore::precheck(const Submission &sent, std::optional<Entry> *earlier)
{
    std::lock_guard<std::mutex> hold(lock);
    return rules(sent, earlier);
}

Refusal RunStore::add(Submission &sent, std::optional<Entry> *earlier)
{
    std::lock_guard<std::mutex> hold(lock);
    db->beginWrite();
    try {
        const Refusal refusal = rules(sent, earlier);
        if (refusal.refused() || earlier->has_value()) {
            db->rollback();
            return refusal;
        }
        const Entry &e = sent.entry;
        db->query(
            "INSERT INTO names (folded, name, key_hash, claimed_at) VALUES ($1, $2, $3, $4) "
            "ON CONFLICT (folded) DO NOTHING",
            {P::text(PlayerRules::foldName(e.name)), P::text(e.name), P::text(sent.keyHash), P::number(e.submittedAt)});
        const auto id = db->query(
            "INSERT INTO runs (day, key_hash, name, level, gold, kills, tics, length_ms, build, submitted_at, "
            "run_hash, demo) VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12) RETURNING id",
            {P::text(e.day), P::text(sent.keyHash), P::text(e.name), P::number(e.level), P::number(e.gold),
             P::number(e.kills), P::number(e.tics), P::number(e.lengthMs), P::text(e.build), P::number(e.submittedAt),
             P::text(sent.runHash), P::blob(sent.demo)});
        db->commit();
        sent.entry.id = std::stoll(id.at(0).at(0));
    } catch (...) {
        db->rollback();
        throw;
    }
    return {};
}

std::vector<RunStore::Entry> RunStore::day(const std::string &date, int64_t offset, int64_t limit, int64_t *total)
{
    std::lock_guard<std::mutex> hold(lock);
    *total = std::stoll(db->query("SELECT COUNT(*) FROM runs WHERE day = $1", {P::text(date)}).at(0).at(0));
    std::vector<Entry> entries;
    for (const Database::Row &row :
         db->query(std::string("SELECT ") + kEntryColumns +
                       " FROM runs WHERE day = $1 ORDER BY level DESC, gold DESC, kills DESC, submitted_at, id "
                       "LIMIT $2 OFFSET $3",
                   {P::text(date), P::number(limit), P::number(offset)}))
        entries.push_back(entryOf(row));
    return entries;
}

int64_t RunStore::rank(const Entry &e)
{
    std::lock_guard<std::mutex> hold(lock);
    const auto ahead = db->query(
        "SELECT COUNT(*) FROM runs WHERE day = $1 AND (level > $2 OR (level = $2 AND (gold > $3 OR (gold = $3 AND "
        "(kills > $4 OR (kills = $4 AND (submitted_at < $5 OR (submitted_at = $5 AND id < $6))))))))",
        {P::text(e.day), P::number(e.level), P::number(e.gold), P::number(e.kills), P::number(e.submittedAt),
         P::number(e.id)});
    return std::stoll(ahead.at(0).at(0)) + 1;
}

std::vector<std::string> RunStore::days(int64_t offset, int64_t limit)
{
    std::lock_guard<std::mutex> hold(lock);
    std::vector<std::string> out;
    for (const Database::Row &row : db->query("SELECT DISTINCT day FROM runs ORDER BY day DESC LIMIT $1 OFFSET $2",
                                              {P::number(limit), P::number(offset)}))
        out.push_back(row.at(0));
    return out;
}

std::optional<std::string> RunStore::demo(int64_t id)
{
    std::lock_guard<std::mutex> hold(lock);
    const auto rows = db->query("SELECT demo FROM runs WHERE id = $1", {P::number(id)});
    if (rows.empty()) return std::nullopt;
    return rows[0].at(0);
}

bool RunStore::healthy()
{
    std::lock_guard<std::mutex> hold(lock);
    try {
        return db->query("SELECT 1").size() == 1;
    } catch (const std::exception &) {
        return false;
    }
}
