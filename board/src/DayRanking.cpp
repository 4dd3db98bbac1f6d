#include "DayRanking.h"

namespace {

using P = Database::Param;

constexpr const char *kGroup = " WHERE day = $1 AND level = $2 AND gold = $3 AND kills = $4";

int64_t number(const std::vector<Database::Row> &rows)
{
    return rows.empty() || rows[0].empty() || rows[0][0].empty() ? 0 : std::stoll(rows[0][0]);
}

std::vector<P> group(const std::string &day, const DayRanking::Score &s)
{
    return {P::text(day), P::number(s.level), P::number(s.gold), P::number(s.kills)};
}

// Steps down a list of (value, runs) in ranking order to the one that holds
// the run `*skip` places on, leaving in *skip how far into it that run is.
bool findIn(const std::vector<Database::Row> &counts, int64_t *skip, int *value)
{
    for (const Database::Row &row : counts) {
        const int64_t runs = std::stoll(row.at(1));
        if (*skip < runs) {
            *value = std::stoi(row.at(0));
            return true;
        }
        *skip -= runs;
    }
    return false;
}

}  // namespace

int64_t DayRanking::placeFor(Database &db, const std::string &day, const Score &score, int64_t submittedAt)
{
    const int64_t runs = number(db.query(std::string("SELECT runs FROM score_counts") + kGroup, group(day, score)));
    if (runs == 0) return 1;
    // A run sent now is nearly always the latest of its group: the last few
    // places tell, and only when all of them are later is the group counted.
    constexpr int64_t kLook = 64;
    std::vector<P> params = group(day, score);
    params.push_back(P::number(kLook));
    int64_t later = 0;
    for (const Database::Row &row :
         db.query(std::string("SELECT submitted_at FROM runs") + kGroup + " ORDER BY place DESC LIMIT $5", params)) {
        if (std::stoll(row.at(0)) <= submittedAt) break;
        ++later;
    }
    params.back() = P::number(submittedAt);
    if (later == kLook && runs > kLook)
        later = number(db.query(std::string("SELECT COUNT(*) FROM runs") + kGroup + " AND submitted_at > $5", params));
    const int64_t place = runs - later + 1;
    if (later > 0) {
        params.back() = P::number(place);
        db.query(std::string("UPDATE runs SET place = place + 1") + kGroup + " AND place >= $5", params);
    }
    return place;
}

void DayRanking::count(Database &db, const std::string &day, const Score &s)
{
    db.query("INSERT INTO day_counts (day, runs) VALUES ($1, 1) "
             "ON CONFLICT (day) DO UPDATE SET runs = day_counts.runs + 1",
             {P::text(day)});
    db.query("INSERT INTO level_counts (day, level, runs) VALUES ($1, $2, 1) "
             "ON CONFLICT (day, level) DO UPDATE SET runs = level_counts.runs + 1",
             {P::text(day), P::number(s.level)});
    db.query("INSERT INTO gold_counts (day, level, gold, runs) VALUES ($1, $2, $3, 1) "
             "ON CONFLICT (day, level, gold) DO UPDATE SET runs = gold_counts.runs + 1",
             {P::text(day), P::number(s.level), P::number(s.gold)});
    db.query("INSERT INTO score_counts (day, level, gold, kills, runs) VALUES ($1, $2, $3, $4, 1) "
             "ON CONFLICT (day, level, gold, kills) DO UPDATE SET runs = score_counts.runs + 1",
             group(day, s));
}

int64_t DayRanking::total(Database &db, const std::string &day)
{
    return number(db.query("SELECT runs FROM day_counts WHERE day = $1", {P::text(day)}));
}

int64_t DayRanking::ahead(Database &db, const std::string &day, const Score &s)
{
    return number(db.query(
        "SELECT COALESCE((SELECT SUM(runs) FROM level_counts WHERE day = $1 AND level > $2), 0) + "
        "COALESCE((SELECT SUM(runs) FROM gold_counts WHERE day = $1 AND level = $2 AND gold > $3), 0) + "
        "COALESCE((SELECT SUM(runs) FROM score_counts WHERE day = $1 AND level = $2 AND gold = $3 AND kills > $4), 0)",
        group(day, s)));
}

std::optional<int64_t> DayRanking::rankOf(Database &db, int64_t id)
{
    const auto rows =
        db.query("SELECT r.place + "
                 "COALESCE((SELECT SUM(runs) FROM level_counts AS c WHERE c.day = r.day AND c.level > r.level), 0) + "
                 "COALESCE((SELECT SUM(runs) FROM gold_counts AS c WHERE c.day = r.day AND c.level = r.level AND "
                 "c.gold > r.gold), 0) + "
                 "COALESCE((SELECT SUM(runs) FROM score_counts AS c WHERE c.day = r.day AND c.level = r.level AND "
                 "c.gold = r.gold AND c.kills > r.kills), 0) "
                 "FROM runs AS r WHERE r.id = $1",
                 {P::number(id)});
    if (rows.empty()) return std::nullopt;
    return number(rows);
}

std::vector<Database::Row> DayRanking::page(Database &db, const std::string &columns, const std::string &day,
                                            int64_t offset, int64_t limit)
{
    std::vector<Database::Row> rows;
    if (limit <= 0 || offset < 0) return rows;
    const std::string select = "SELECT " + columns + " FROM runs WHERE day = $1";
    const auto more = [&](const std::string &where, std::vector<P> params) {
        params.push_back(P::number(limit - int64_t(rows.size())));
        const std::string last = "$" + std::to_string(params.size());
        for (Database::Row &row : db.query(select + where + " LIMIT " + last, params))
            rows.push_back(std::move(row));
        return int64_t(rows.size()) >= limit;
    };
    if (offset == 0) {
        more(" ORDER BY level DESC, gold DESC, kills DESC, place", {P::text(day)});
        return rows;
    }
    // The score group the offset falls in, by the counts: a few dozen
    // levels, the golds of one level, the kills of one level and gold.
    Score s;
    int64_t skip = offset;
    if (!findIn(db.query("SELECT level, runs FROM level_counts WHERE day = $1 ORDER BY level DESC", {P::text(day)}),
                &skip, &s.level) ||
        !findIn(db.query("SELECT gold, runs FROM gold_counts WHERE day = $1 AND level = $2 ORDER BY gold DESC",
                         {P::text(day), P::number(s.level)}),
                &skip, &s.gold) ||
        !findIn(db.query("SELECT kills, runs FROM score_counts WHERE day = $1 AND level = $2 AND gold = $3 "
                         "ORDER BY kills DESC",
                         {P::text(day), P::number(s.level), P::number(s.gold)}),
                &skip, &s.kills))
        return rows;
    // Then from that place on, each an index range: the rest of the group,
    // of the level and gold, of the level, then the levels below.
    std::vector<P> params = group(day, s);
    params.push_back(P::number(skip + 1));
    if (more(" AND level = $2 AND gold = $3 AND kills = $4 AND place >= $5 ORDER BY place", params)) return rows;
    params.pop_back();
    if (more(" AND level = $2 AND gold = $3 AND kills < $4 ORDER BY kills DESC, place", params)) return rows;
    params.pop_back();
    if (more(" AND level = $2 AND gold < $3 ORDER BY gold DESC, kills DESC, place", params)) return rows;
    params.pop_back();
    more(" AND level < $2 ORDER BY level DESC, gold DESC, kills DESC, place", params);
    return rows;
}
