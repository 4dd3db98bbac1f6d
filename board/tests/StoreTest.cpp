// The store's ranking and paging on both databases, and many threads at once.
#include <algorithm>
#include <future>
#include <random>
#include <thread>
#include <tuple>

#include "DaySeeder.h"
#include "StoreFixture.h"

namespace {

using Ranking = StoreFixture;

std::vector<std::string> namesOf(const std::vector<RunStore::Entry> &entries)
{
    std::vector<std::string> names;
    for (const RunStore::Entry &e : entries)
        names.push_back(e.name);
    return names;
}

TEST_P(Ranking, RanksByLevelThenGoldThenKillsThenTheEarliest)
{
    auto store = open();
    // Sent in this order; ranked as their names say.
    const RunStore::Submission sent[] = {
        storeRun("k1", "fifth", 5, 10, 20, 1000),
        storeRun("k2", "second", 6, 3, 1, 2000),
        storeRun("k3", "first", 7, 0, 0, 3000),
        storeRun("k4", "third", 5, 11, 0, 4000),
        storeRun("k5", "seventh", 5, 10, 19, 500),
        storeRun("k6", "fourth", 5, 10, 20, 900),
        storeRun("k7", "sixth", 5, 10, 20, 1000),
        storeRun("k8", "eighth", 1, 0, 0, 0),
        storeRun("k9", "other day", 9, 9, 9, 0, "2026-12-07"),
    };
    for (const RunStore::Submission &s : sent)
        ASSERT_FALSE(storeAdd(*store, s).refused()) << s.entry.name;
    int64_t total = 0;
    const std::vector<RunStore::Entry> all = store->day("2026-12-08", 0, 100, &total);
    EXPECT_EQ(namesOf(all),
              (std::vector<std::string>{"first", "second", "third", "fourth", "fifth", "sixth", "seventh", "eighth"}));
    for (std::size_t i = 0; i < all.size(); ++i)
        EXPECT_EQ(store->rank(all[i]), int64_t(i + 1)) << all[i].name;
    EXPECT_EQ(total, 8);
    EXPECT_EQ(namesOf(store->day("2026-12-08", 6, 5, &total)), (std::vector<std::string>{"seventh", "eighth"}));
    EXPECT_TRUE(store->day("2026-12-08", 8, 5, &total).empty());
    EXPECT_TRUE(store->day("2026-12-09", 0, 5, &total).empty());
    EXPECT_EQ(total, 0);
    EXPECT_EQ(store->days(0, 10), (std::vector<std::string>{"2026-12-08", "2026-12-07"}));
    EXPECT_EQ(store->days(1, 10), (std::vector<std::string>{"2026-12-07"}));
    EXPECT_EQ(store->demo(all[7].id), std::optional<std::string>(sent[7].demo));
    EXPECT_FALSE(store->demo(999).has_value());
    EXPECT_TRUE(store->healthy());
}

// Many ties, sent out of time order (a slow handler, another server's
// clock), and one score whose every run comes earlier than the last: the
// pages and ranks from the counts must be the day sorted outright.
TEST_P(Ranking, PagesAndRanksAtAnyDepthAreTheSortedDay)
{
    auto store = open();
    std::mt19937 random(7);
    std::vector<RunStore::Entry> sent;
    for (int i = 0; i < 500; ++i) {
        RunStore::Submission s = storeRun("k" + std::to_string(i), "p" + std::to_string(i), 1 + int(random() % 3),
                                          int(random() % 3), int(random() % 3), 1000 + int64_t(random() % 400));
        if (i >= 430) s.entry.level = 9, s.entry.submittedAt = 5000 - i;  // each earlier than those before it
        ASSERT_FALSE(storeAdd(*store, s).refused());
        sent.push_back(s.entry);
    }
    int64_t total = 0;
    std::vector<RunStore::Entry> all = store->day("2026-12-08", 0, 1000, &total);
    ASSERT_EQ(total, 500);
    for (RunStore::Entry &e : sent)
        e.id = std::find_if(all.begin(), all.end(), [&](auto &a) { return a.name == e.name; })->id;
    const auto order = [](const RunStore::Entry &e) {
        return std::make_tuple(-e.level, -e.gold, -e.kills, e.submittedAt, e.id);
    };
    std::sort(sent.begin(), sent.end(), [&](auto &a, auto &b) { return order(a) < order(b); });
    ASSERT_EQ(namesOf(all), namesOf(sent));
    for (const int64_t offset : {0, 1, 2, 69, 70, 71, 133, 250, 399, 498, 499})
        for (const int64_t limit : {1, 3, 50, 100}) {
            const auto end = sent.begin() + std::min<int64_t>(500, offset + limit);
            EXPECT_EQ(namesOf(store->day("2026-12-08", offset, limit, &total)),
                      namesOf(std::vector<RunStore::Entry>(sent.begin() + offset, end)))
                << offset << " " << limit;
        }
    for (std::size_t i = 0; i < sent.size(); i += 7)
        EXPECT_EQ(store->rank(sent[i]), int64_t(i + 1)) << sent[i].name;
    RunStore::Entry unsent = sent[100];  // not stored: where it would stand
    unsent.id = 100000, unsent.submittedAt = 999999;
    EXPECT_EQ(store->rank(unsent),
              1 + std::count_if(sent.begin(), sent.end(), [&](auto &e) { return order(e) < order(unsent); }));
}

TEST_P(Ranking, ManyThreadsWriteAndReadAtOnce)
{
    auto store = open();
    constexpr int kWriters = 4, kRuns = 20;
    std::atomic<int> finished{0};
    std::vector<std::future<void>> work;
    for (int w = 0; w < kWriters; ++w)
        work.push_back(std::async(std::launch::async, [&, w] {
            struct Finished {
                std::atomic<int> &count;
                ~Finished() { ++count; }
            } counted{finished};
            for (int i = 0; i < kRuns; ++i) {
                const std::string who = std::to_string(w) + "-" + std::to_string(i);
                EXPECT_FALSE(storeAdd(*store, storeRun("k" + who, "p" + who, i % 4, w, 0, i)).refused());
            }
        }));
    for (int r = 0; r < 3; ++r)
        work.push_back(std::async(std::launch::async, [&] {
            for (int64_t seen = 0;;) {
                const bool last = finished == kWriters;
                int64_t total = 0;
                const auto page = store->day("2026-12-08", 0, 100, &total);
                EXPECT_GE(total, seen);  // a later snapshot never has fewer
                EXPECT_EQ(int64_t(page.size()), total);
                for (std::size_t i = 1; i < page.size(); ++i)
                    EXPECT_GE(page[i - 1].level, page[i].level);
                if (!page.empty()) {
                    EXPECT_LE(store->rank(page.back()), int64_t(kWriters * kRuns));
                }
                seen = total;
                if (last) {
                    EXPECT_EQ(total, kWriters * kRuns);
                    return;
                }
            }
        }));
    for (auto &w : work)
        w.get();
}

// A writer held up by another server's write lock holds up no reader.
TEST_P(Ranking, ReadersDoNotWaitForAWriter)
{
    auto store = open();
    ASSERT_FALSE(storeAdd(*store, storeRun("a", "Ann", 3, 0, 0, 1)).refused());
    auto other = connect();  // another server on the same database
    other->beginWrite();
    auto writing = std::async(std::launch::async, [&] { return storeAdd(*store, storeRun("b", "Bo", 4, 0, 0, 2)); });
    if (postgres()) {
        // Wait until the store's writer is queued on the lock.
        auto watch = connect();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (watch->query("SELECT 1 FROM pg_locks WHERE locktype = 'advisory' AND NOT granted").empty())
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "the writer never asked for the lock";
    }
    auto reads = std::async(std::launch::async, [&] {
        int64_t total = 0;
        std::optional<RunStore::Entry> earlier;
        const auto entries = store->day("2026-12-08", 0, 10, &total);
        EXPECT_EQ(store->rank(entries.at(0)), 1);
        EXPECT_FALSE(store->precheck(storeRun("c", "Cy", 1, 0, 0, 3), &earlier).refused());
        EXPECT_TRUE(store->healthy());
        return total;
    });
    // Only a deadlock could take this long; the write lock is let go either way.
    const bool read = reads.wait_for(std::chrono::seconds(60)) == std::future_status::ready;
    other->rollback();
    EXPECT_TRUE(read) << "a read waited for the writer";
    EXPECT_EQ(reads.get(), 1);
    EXPECT_FALSE(writing.get().refused());
}

// The seeder writes what the store would have: every place, count and link.
TEST_P(Ranking, ASeededDayIsTheDayTheStoreWouldKeep)
{
    auto db = connect();
    DaySeeder::seed(*db, "2026-12-08", 3000);
    EXPECT_THROW(DaySeeder::seed(*db, "2026-12-08", 10), std::runtime_error);
    const auto zero = [&](const char *sql) { EXPECT_EQ(db->query(sql), (std::vector<Database::Row>{{"0"}})) << sql; };
    zero("SELECT COUNT(*) FROM runs JOIN (SELECT id, ROW_NUMBER() OVER (PARTITION BY day, level, gold, kills "
         "ORDER BY submitted_at, id) AS place FROM runs) AS sorted ON sorted.id = runs.id WHERE runs.place <> "
         "sorted.place");
    zero("SELECT COUNT(*) FROM score_counts AS c WHERE runs <> (SELECT COUNT(*) FROM runs AS r WHERE r.day = c.day "
         "AND r.level = c.level AND r.gold = c.gold AND r.kills = c.kills)");
    zero("SELECT COUNT(*) FROM gold_counts AS c WHERE runs <> (SELECT SUM(runs) FROM score_counts AS s WHERE "
         "s.day = c.day AND s.level = c.level AND s.gold = c.gold)");
    zero("SELECT COUNT(*) FROM level_counts AS c WHERE runs <> (SELECT COUNT(*) FROM runs AS r WHERE r.day = c.day "
         "AND r.level = c.level)");
    zero("SELECT COUNT(*) FROM runs WHERE run_hash NOT IN (SELECT run_hash FROM names JOIN runs AS r ON "
         "r.key_hash = names.key_hash)");
    EXPECT_EQ(db->query("SELECT COUNT(*), SUM(final) FROM run_links"),
              (std::vector<Database::Row>{{db->query("SELECT SUM(2 * level) FROM runs").at(0).at(0), "3000"}}));
    db.reset();
    auto store = open();
    int64_t total = 0;
    const auto last = store->day("2026-12-08", 2999, 5, &total);
    EXPECT_EQ(total, 3000);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(store->rank(last[0]), 3000);
    ASSERT_FALSE(storeAdd(*store, storeRun("new", "New", 1, 0, 0, 1)).refused());  // ids go on after the seeded
}

INSTANTIATE_TEST_SUITE_P(Store, Ranking, ::testing::Bool(), backendName);

}  // namespace
