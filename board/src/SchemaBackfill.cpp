#include "SchemaBackfill.h"

#include <algorithm>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "PlayerRules.h"
#include "RunIdentity.h"
#include "RunLinks.h"

namespace {

using P = Database::Param;

// Runs read at a time: their demos are up to 64 KB each.
constexpr int64_t kRunsAtATime = 256;
// Renamings sent in one statement.
constexpr std::size_t kNamesAtATime = 200;

}  // namespace

void SchemaBackfill::links(Database &db)
{
    for (int64_t after = 0;;) {
        const auto rows = db.query("SELECT id, day, run_hash, demo FROM runs WHERE id > $1 ORDER BY id LIMIT $2",
                                   {P::number(after), P::number(kRunsAtATime)});
        if (rows.empty()) return;
        for (const Database::Row &row : rows) {
            after = std::stoll(row.at(0));
            DemoFile demo;
            std::string problem;
            const std::vector<std::string> links =
                demo.decode(row.at(3), &problem) ? RunIdentity::links(demo) : std::vector<std::string>{};
            RunLinks::add(db, row.at(1), after, links, row.at(2));
        }
    }
}

void SchemaBackfill::names(Database &db)
{
    std::vector<PlayerRules::Claim> claims;
    for (const Database::Row &row : db.query("SELECT folded, name, claimed_at FROM names"))
        claims.push_back({row.at(0), row.at(1), "", std::stoll(row.at(2))});
    // The earliest claim first, then the lowest name, as PlayerRules::refold orders them.
    std::sort(claims.begin(), claims.end(), [](const PlayerRules::Claim &a, const PlayerRules::Claim &b) {
        return std::tie(a.claimedAt, a.name) < std::tie(b.claimedAt, b.name);
    });
    std::map<std::string, int> claimed;                      // a folded form, and the names that fold to it so far
    std::vector<std::pair<std::string, std::string>> moves;  // from the old form to the new
    for (const PlayerRules::Claim &claim : claims) {
        const std::string folded = PlayerRules::foldName(claim.name);
        const int n = ++claimed[folded];
        const std::string key = n == 1 ? folded : folded + '\x01' + std::to_string(n);
        if (key != claim.folded) moves.emplace_back(claim.folded, key);
    }
    db.script("DELETE FROM name_fold");
    db.query("INSERT INTO name_fold (version) VALUES ($1)", {P::text(PlayerRules::foldVersion())});
    if (moves.empty()) return;
    db.script("CREATE TABLE names_refold (old TEXT PRIMARY KEY, new TEXT NOT NULL)");
    for (std::size_t from = 0; from < moves.size(); from += kNamesAtATime) {
        std::string sql = "INSERT INTO names_refold (old, new) VALUES ";
        std::vector<P> params;
        for (std::size_t i = from; i < std::min(moves.size(), from + kNamesAtATime); ++i) {
            params.push_back(P::text(moves[i].first));
            params.push_back(P::text(moves[i].second));
            sql += std::string(i > from ? ", " : "") + "($" + std::to_string(params.size() - 1) + ", $" +
                   std::to_string(params.size()) + ")";
        }
        db.query(sql, params);
    }
    // In two moves, so no row takes a form another still holds: first out of
    // the way (no folded form begins with this character), then into place.
    const P aside = P::text("\x02");
    db.query("UPDATE names SET folded = $1 || folded WHERE folded IN (SELECT old FROM names_refold)", {aside});
    db.query("UPDATE names SET folded = names_refold.new FROM names_refold WHERE names.folded = $1 || names_refold.old",
             {aside});
    db.script("DROP TABLE names_refold");
}

void SchemaBackfill::refoldIfStale(Database &db)
{
    const auto version = db.query("SELECT version FROM name_fold");
    if (version.empty() || version[0].at(0) != PlayerRules::foldVersion()) names(db);
}
