// The schema's versions on both databases: brought up once, a newer one
// refused, and what an older board held counted, linked and refolded.
#include <fstream>
#include <sstream>

#include "Migrations.h"
#include "PlayerRules.h"
#include "RunIdentity.h"
#include "StoreFixture.h"

namespace {

using P = Database::Param;
using Schema = StoreFixture;

TEST_P(Schema, BringsAnyVersionUpOnceAndRefusesANewerSchema)
{
    ASSERT_FALSE(storeAdd(*open(), storeRun("k", "Kept", 2, 1, 1, 7)).refused());
    auto db = connect();
    EXPECT_EQ(
        db->query("SELECT COUNT(*), MAX(version) FROM schema_version"),
        (std::vector<Database::Row>{{std::to_string(Migrations::latest()), std::to_string(Migrations::latest())}}));
    EXPECT_EQ(Migrations::apply(*db), Migrations::latest());  // again: nothing to do, nothing lost
    EXPECT_EQ(db->query("SELECT name FROM runs"), (std::vector<Database::Row>{{"Kept"}}));
    db->query("INSERT INTO schema_version (version) VALUES ($1)", {P::number(Migrations::latest() + 1)});
    EXPECT_THROW(Migrations::apply(*db), std::runtime_error);
}

TEST_P(Schema, AnOlderBoardsRunsAreCountedLinkedAndTheirNamesRefolded)
{
    std::ifstream file(std::string(TALLOWFEN_SOURCE_DIR) + "/tests/demos/level05.demo", std::ios::binary);
    const std::string golden = (std::stringstream() << file.rdbuf()).str();
    DemoFile decoded;
    std::string problem;
    ASSERT_TRUE(decoded.decode(golden, &problem)) << problem;
    const std::vector<std::string> links = RunIdentity::links(decoded);
    ASSERT_GE(links.size(), 3u);
    {
        auto db = connect();
        ASSERT_EQ(Migrations::apply(*db, 2), 2);
        const auto run = [&](const char *key, int level, int gold, int64_t at, const std::string &demo,
                             const char *day = "2026-12-08") {
            db->query("INSERT INTO runs (day, key_hash, name, level, gold, kills, tics, length_ms, build, "
                      "submitted_at, run_hash, demo) VALUES ($1, $2, $3, $4, $5, 1, 0, 0, '', $6, $7, $8)",
                      {P::text(day), P::text(key), P::text(std::string("p") + key), P::number(level), P::number(gold),
                       P::number(at), P::text(std::string("hash of ") + key), P::blob(demo)});
        };
        run("k1", 3, 5, 10, golden);
        run("k2", 3, 5, 5, "no demo at all");
        run("k3", 4, 0, 20, "no demo");
        run("k4", 9, 0, 1, "no demo", "2026-12-07");
        // Folded by a rule that told these apart; the claims, earliest first: k2, k3, k1.
        for (const auto &[name, key, at] :
             {std::tuple{"Tide", "k1", 3}, {"tide", "k2", 1}, {"TIDE", "k3", 2}, {"Foam", "k4", 4}})
            db->query("INSERT INTO names (folded, name, key_hash, claimed_at) VALUES ($1, $1, $2, $3)",
                      {P::text(name), P::text(key), P::number(at)});
    }
    auto store = open();
    EXPECT_EQ(connect()->query("SELECT folded, key_hash FROM names ORDER BY claimed_at"),
              (std::vector<Database::Row>{{PlayerRules::foldName("tide"), "k2"},
                                          {PlayerRules::foldName("tide") + "\x01"
                                                                           "2",
                                           "k3"},
                                          {PlayerRules::foldName("tide") + "\x01"
                                                                           "3",
                                           "k1"},
                                          {PlayerRules::foldName("Foam"), "k4"}}));
    int64_t total = 0;
    const std::vector<RunStore::Entry> day = store->day("2026-12-08", 1, 10, &total);
    ASSERT_EQ(day.size(), 2u);
    EXPECT_EQ(total, 3);
    EXPECT_EQ(day[0].name, "pk2");  // the same score, sent first
    EXPECT_EQ(store->rank(day[1]), 3);
    EXPECT_EQ(store->days(0, 5), (std::vector<std::string>{"2026-12-08", "2026-12-07"}));

    struct Case {
        RunStore::Submission sent;
        const char *code;  // "" ranked; "earlier" answered with the first sending
    } cases[] = {
        {storeRun("k1", "pk1", 3, 5, 1, 10), "earlier"},          // the golden run again, its hash now its last link
        {storeRun("k9", "Nine", 3, 5, 1, 30), "already_ranked"},  // the golden run cut short
        {storeRun("k8", "Ate", 3, 5, 1, 30), "already_ranked"},   // the undecodable run, by its hash
        {storeRun("k1", "TIDE", 1, 0, 0, 30, "2026-12-09"), "name_taken"},
        {storeRun("k2", "TIDE", 1, 0, 0, 30, "2026-12-09"), ""},
    };
    cases[0].sent.links = links, cases[0].sent.runHash = links.back();
    cases[1].sent.links = {links[0], links[1]}, cases[1].sent.runHash = links[1];
    cases[2].sent.runHash = "hash of k2";
    for (Case &c : cases) {
        std::optional<RunStore::Entry> earlier;
        EXPECT_EQ(store->add(c.sent, &earlier).code, std::string(c.code) == "earlier" ? "" : c.code) << c.sent.keyHash;
        EXPECT_EQ(earlier.has_value(), std::string(c.code) == "earlier") << c.sent.keyHash;
    }

    // A new fold (ICU's data changed with the system) refolds at the next start.
    store.reset();
    connect()->script("UPDATE name_fold SET version = 'an older fold'; UPDATE names SET folded = 'foam, as was' "
                      "WHERE key_hash = 'k4'");
    open();
    EXPECT_EQ(connect()->query("SELECT folded FROM names WHERE key_hash = 'k4'"),
              (std::vector<Database::Row>{{PlayerRules::foldName("Foam")}}));
}

INSTANTIATE_TEST_SUITE_P(Store, Schema, ::testing::Bool(), backendName);

}  // namespace
