#include "DaySeeder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <map>
#include <random>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "Migrations.h"
#include "PgDatabase.h"
#include "PlayerRules.h"
#include "SqliteDatabase.h"

namespace {

using P = Database::Param;

using Link = std::array<unsigned char, 32>;

// One synthetic run, as the seeder makes it: its links after the day's
// shared first one are links[first] to links[first + count - 1].
struct Run {
    int level = 1, gold = 0, kills = 0;
    int64_t place = 0;
    std::string keyHash;
    std::size_t first = 0, count = 0;
};

// A link of a run, for writing the links in their index's order.
struct LinkRow {
    Link link;
    uint32_t run;
    bool final;
    bool operator<(const LinkRow &o) const { return std::tie(link, run) < std::tie(o.link, o.run); }
};

std::string hex(const unsigned char *bytes, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < size; ++i)
        out += {digits[bytes[i] >> 4], digits[bytes[i] & 15]};
    return out;
}

Link randomLink(std::mt19937_64 &random)
{
    Link link;
    for (std::size_t i = 0; i < link.size(); i += 8) {
        const uint64_t word = random();
        std::memcpy(link.data() + i, &word, 8);
    }
    return link;
}

int64_t dayStartMs(const std::string &day)
{
    std::tm tm{};
    if (day.size() != 10 || std::sscanf(day.c_str(), "%4d-%2d-%2d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday) != 3)
        throw std::runtime_error("no such day: " + day);
    tm.tm_year -= 1900, tm.tm_mon -= 1;
    return int64_t(timegm(&tm)) * 1000;
}

class Seeding {
public:
    Database &db;
    std::string day;
    int64_t count = 0;
    std::mt19937_64 random;
    int64_t firstId = 0;
    Link shared{};  // the day's first level starts alike for everyone
    std::vector<Run> runs;
    std::vector<Link> links;
    using Score = std::tuple<int, int, int>;
    std::map<Score, int64_t> scores;

    void make()
    {
        shared = randomLink(random);
        runs.resize(std::size_t(count));
        // Keys and run hashes are random; made in their indexes' order, they
        // are written at the indexes' ends instead of all over them.
        std::vector<Link> keys(runs.size()), finals(runs.size());
        for (std::size_t i = 0; i < runs.size(); ++i)
            keys[i] = randomLink(random), finals[i] = randomLink(random);
        std::sort(keys.begin(), keys.end());
        std::sort(finals.begin(), finals.end());
        std::bernoulli_distribution onward(0.65);
        for (std::size_t i = 0; i < runs.size(); ++i) {
            Run &r = runs[i];
            while (r.level < 30 && onward(random))
                ++r.level;
            r.gold = r.level * 15 + int(random() % uint64_t(r.level * 20 + 1));
            r.kills = r.level * 4 + int(random() % uint64_t(r.level * 3 + 1));
            r.place = ++scores[{r.level, r.gold, r.kills}];
            r.keyHash = hex(keys[i].data(), keys[i].size());
            r.first = links.size(), r.count = std::size_t(2 * r.level - 1);  // a start and an end a level
            for (std::size_t k = 1; k < r.count; ++k)
                links.push_back(randomLink(random));
            links.push_back(finals[i]);
        }
    }

    // Every run's own links, in the order their index keeps them.
    std::vector<LinkRow> sortedLinks() const
    {
        std::vector<LinkRow> rows;
        rows.reserve(links.size());
        for (uint32_t i = 0; i < uint32_t(runs.size()); ++i)
            for (std::size_t k = 0; k < runs[i].count; ++k)
                rows.push_back({links[runs[i].first + k], i, k + 1 == runs[i].count});
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    std::string runHash(int64_t i) const
    {
        const Run &r = runs[std::size_t(i)];
        return hex(links[r.first + r.count - 1].data(), 32);
    }
    // Numbered to sort as they were made.
    std::string name(int64_t i) const
    {
        std::string n = std::to_string(i);
        return "s" + day.substr(2, 2) + day.substr(5, 2) + day.substr(8, 2) + "-" +
               std::string(7 - std::min<std::size_t>(7, n.size()), '0') + n;
    }
    int64_t at(int64_t i) const { return dayStartMs(day) + i * (86'400'000 / count); }

    std::vector<std::string> runColumns(int64_t i) const
    {
        const Run &r = runs[std::size_t(i)];
        return {std::to_string(firstId + i),
                day,
                r.keyHash,
                name(i),
                std::to_string(r.level),
                std::to_string(r.gold),
                std::to_string(r.kills),
                std::to_string(600 * r.level),
                std::to_string(10'000 * r.level),
                "seeded",
                std::to_string(at(i)),
                runHash(i),
                std::to_string(r.place)};
    }
    static constexpr const char *kRunColumns = "runs (id, day, key_hash, name, level, gold, kills, tics, length_ms, "
                                               "build, submitted_at, run_hash, place, demo)";

    void counts()
    {
        std::map<int, int64_t> levels;
        std::map<std::pair<int, int>, int64_t> golds;
        for (const auto &[score, n] : scores) {
            levels[std::get<0>(score)] += n;
            golds[{std::get<0>(score), std::get<1>(score)}] += n;
        }
        db.query("INSERT INTO day_counts (day, runs) VALUES ($1, $2)", {P::text(day), P::number(count)});
        for (const auto &[level, n] : levels)
            db.query("INSERT INTO level_counts (day, level, runs) VALUES ($1, $2, $3)",
                     {P::text(day), P::number(level), P::number(n)});
        for (const auto &[lg, n] : golds)
            db.query("INSERT INTO gold_counts (day, level, gold, runs) VALUES ($1, $2, $3, $4)",
                     {P::text(day), P::number(lg.first), P::number(lg.second), P::number(n)});
        for (const auto &[s, n] : scores)
            db.query("INSERT INTO score_counts (day, level, gold, kills, runs) VALUES ($1, $2, $3, $4, $5)",
                     {P::text(day), P::number(std::get<0>(s)), P::number(std::get<1>(s)), P::number(std::get<2>(s)),
                      P::number(n)});
    }

    void sqlite()
    {
        const std::string sharedBytes(shared.begin(), shared.end());
        for (int64_t i = 0; i < count; ++i) {
            std::vector<P> params;
            for (std::string &column : runColumns(i))
                params.push_back(P::text(std::move(column)));
            params.push_back(P::blob("seeded run"));
            db.query(std::string("INSERT INTO ") + kRunColumns +
                         " VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9, $10, $11, $12, $13, $14)",
                     params);
            db.query("INSERT INTO names (folded, name, key_hash, claimed_at) VALUES ($1, $2, $3, $4)",
                     {P::text(PlayerRules::foldName(name(i))), P::text(name(i)), P::text(runs[std::size_t(i)].keyHash),
                      P::number(at(i))});
            db.query("INSERT INTO run_links (day, link, final, run_id) VALUES ($1, $2, 0, $3)",
                     {P::text(day), P::blob(sharedBytes), P::number(firstId + i)});
        }
        for (const LinkRow &row : sortedLinks())
            db.query("INSERT INTO run_links (day, link, final, run_id) VALUES ($1, $2, $3, $4)",
                     {P::text(day), P::blob(std::string(row.link.begin(), row.link.end())), P::number(row.final),
                      P::number(firstId + row.run)});
    }

    void postgres(PgDatabase &pg)
    {
        int64_t i = 0;
        pg.copy(kRunColumns, [&](Database::Row &row) {
            if (i == count) return false;
            row = runColumns(i++);
            row.push_back("\\x" + hex(reinterpret_cast<const unsigned char *>("seeded run"), 10));
            return true;
        });
        i = 0;
        pg.copy("names (folded, name, key_hash, claimed_at)", [&](Database::Row &row) {
            if (i == count) return false;
            row = {PlayerRules::foldName(name(i)), name(i), runs[std::size_t(i)].keyHash, std::to_string(at(i))};
            ++i;
            return true;
        });
        i = 0;
        const std::string sharedHex = "\\x" + hex(shared.data(), shared.size());
        pg.copy("run_links (day, link, final, run_id)", [&](Database::Row &row) {
            if (i == count) return false;
            row = {day, sharedHex, "0", std::to_string(firstId + i++)};
            return true;
        });
        const std::vector<LinkRow> sorted = sortedLinks();
        std::size_t at = 0;
        pg.copy("run_links (day, link, final, run_id)", [&](Database::Row &row) {
            if (at == sorted.size()) return false;
            const LinkRow &l = sorted[at++];
            row = {day, "\\x" + hex(l.link.data(), l.link.size()), l.final ? "1" : "0",
                   std::to_string(firstId + l.run)};
            return true;
        });
        pg.query("SELECT setval(pg_get_serial_sequence('runs', 'id'), $1)", {P::number(firstId + count - 1)});
    }
};

}  // namespace

std::unique_ptr<Database> DaySeeder::open(const std::string &where)
{
    if (where.rfind("postgresql://", 0) == 0 || where.rfind("postgres://", 0) == 0)
        return std::make_unique<PgDatabase>(where);
    return std::make_unique<SqliteDatabase>(where);
}

void DaySeeder::seed(Database &db, const std::string &day, int64_t count, uint64_t seed)
{
    if (count < 1) throw std::runtime_error("the count of runs is 1 or more");
    Migrations::apply(db);
    Seeding s{db, day, count, std::mt19937_64(seed ^ std::hash<std::string>{}(day)), 0, {}, {}, {}, {}};
    dayStartMs(day);
    s.make();
    if (!db.postgres()) db.script("PRAGMA cache_size = -1000000");  // a GB of pages: the indexes stay in memory
    db.beginWrite();
    try {
        if (!db.query("SELECT runs FROM day_counts WHERE day = $1", {P::text(day)}).empty())
            throw std::runtime_error("the day " + day + " already has runs");
        s.firstId = std::stoll(db.query("SELECT COALESCE(MAX(id), 0) + 1 FROM runs").at(0).at(0));
        if (db.postgres())
            s.postgres(static_cast<PgDatabase &>(db));
        else
            s.sqlite();
        s.counts();
        db.commit();
    } catch (...) {
        db.rollback();
        throw;
    }
}
