// The board's rules on stored runs, on a real SQLite file, and the schema's versions.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "Migrations.h"
#include "RunStore.h"
#include "SqliteDatabase.h"

namespace {

namespace fs = std::filesystem;

// A fresh database file, removed with its WAL afterwards.
struct StoreFile {
    fs::path dir = fs::temp_directory_path() / ("board-store-" + std::to_string(getpid()));
    StoreFile() { fs::create_directories(dir); }
    ~StoreFile() { fs::remove_all(dir); }
    std::unique_ptr<RunStore> open() const
    {
        return std::make_unique<RunStore>(std::make_unique<SqliteDatabase>((dir / "board.sqlite3").string()));
    }
};

RunStore::Submission run(const std::string &key, const std::string &name, int level, int gold, int kills, int64_t at,
                         const std::string &day = "2026-12-08")
{
    RunStore::Submission s;
    s.keyHash = key;
    s.runHash = key + name + std::to_string(level) + std::to_string(gold) + std::to_string(kills) + day;
    s.demo = "demo of " + s.runHash + std::string(1, '\0') + "\xff";
    s.entry.day = day;
    s.entry.name = name;
    s.entry.level = level, s.entry.gold = gold, s.entry.kills = kills, s.entry.submittedAt = at;
    return s;
}

Refusal add(RunStore &store, RunStore::Submission s)
{
    std::optional<RunStore::Entry> earlier;
    return store.add(s, &earlier);
}

TEST(RunStore, RanksByLevelThenGoldThenKillsThenTheEarliest)
{
    StoreFile file;
    auto store = file.open();
    // Sent in this order; ranked as their names say.
    const RunStore::Submission sent[] = {
        run("k1", "fifth", 5, 10, 20, 1000),
        run("k2", "second", 6, 3, 1, 2000),
        run("k3", "first", 7, 0, 0, 3000),
        run("k4", "third", 5, 11, 0, 4000),
        run("k5", "seventh", 5, 10, 19, 500),
        run("k6", "fourth", 5, 10, 20, 900),
        run("k7", "sixth", 5, 10, 20, 1000),
        run("k8", "eighth", 1, 0, 0, 0),
        run("k9", "other day", 9, 9, 9, 0, "2026-12-07"),
    };
    for (const RunStore::Submission &s : sent)
        ASSERT_FALSE(add(*store, s).refused()) << s.entry.name;
    int64_t total = 0;
    std::vector<std::string> names;
    for (const RunStore::Entry &e : store->day("2026-12-08", 0, 100, &total)) {
        names.push_back(e.name);
        EXPECT_EQ(store->rank(e), int64_t(names.size())) << e.name;
    }
    EXPECT_EQ(names,
              (std::vector<std::string>{"first", "second", "third", "fourth", "fifth", "sixth", "seventh", "eighth"}));
    EXPECT_EQ(total, 8);
    const std::vector<RunStore::Entry> page = store->day("2026-12-08", 6, 5, &total);
    ASSERT_EQ(page.size(), 2u);
    EXPECT_EQ(page[0].name, "seventh");
    EXPECT_EQ(store->days(0, 10), (std::vector<std::string>{"2026-12-08", "2026-12-07"}));
    EXPECT_EQ(store->demo(page[1].id), std::optional<std::string>(run("k8", "eighth", 1, 0, 0, 0).demo));
    EXPECT_FALSE(store->demo(999).has_value());
}

TEST(RunStore, KeepsNamesForTheirFirstKeyAndOneRunADayRankedOnce)
{
    StoreFile file;
    auto store = file.open();
    ASSERT_FALSE(add(*store, run("alice", "Tide", 3, 0, 0, 1)).refused());
    struct Case {
        RunStore::Submission sent;
        const char *code;  // "" ranked; "earlier" answered with the first sending
    } cases[] = {
        {run("bob", "tIDE", 4, 0, 0, 2), "name_taken"},
        {run("alice", "Tide", 5, 0, 0, 3), "day_counted"},
        {run("alice", "Foam", 5, 0, 0, 3), "day_counted"},     // another name, the same player
        {run("alice", "Foam", 5, 0, 0, 3, "2026-12-09"), ""},  // a key takes another free name
        {run("bob", "Foam", 2, 0, 0, 4, "2026-12-07"), "name_taken"},
        {run("bob", "Surf", 2, 0, 0, 4), ""},
        {run("alice", "Tide", 3, 0, 0, 1), "earlier"},
    };
    RunStore::Submission copied = run("alice", "Tide", 3, 0, 0, 1);
    copied.keyHash = "carol", copied.entry.name = "Carol";  // alice's run, sent by another
    for (Case &c : cases) {
        std::optional<RunStore::Entry> earlier, checked;
        EXPECT_EQ(store->precheck(c.sent, &checked).code, std::string(c.code) == "earlier" ? "" : c.code);
        EXPECT_EQ(store->add(c.sent, &earlier).code, std::string(c.code) == "earlier" ? "" : c.code);
        EXPECT_EQ(earlier.has_value(), std::string(c.code) == "earlier") << c.sent.entry.name;
        EXPECT_EQ(checked.has_value(), earlier.has_value());
        EXPECT_EQ(earlier ? earlier->submittedAt : 1, 1);
    }
    EXPECT_EQ(add(*store, copied).code, "already_ranked");
    int64_t total = 0;
    EXPECT_EQ(store->day("2026-12-08", 0, 10, &total).size(), 2u);
}

TEST(Migrations, BringsAnyVersionUpOnceAndRefusesANewerSchema)
{
    StoreFile file;
    {
        auto store = file.open();
        ASSERT_FALSE(add(*store, run("k", "Kept", 2, 1, 1, 7)).refused());
    }
    const std::string path = (file.dir / "board.sqlite3").string();
    SqliteDatabase db(path);
    EXPECT_EQ(
        db.query("SELECT COUNT(*), MAX(version) FROM schema_version"),
        (std::vector<Database::Row>{{std::to_string(Migrations::latest()), std::to_string(Migrations::latest())}}));
    EXPECT_EQ(Migrations::apply(db), Migrations::latest());  // again: nothing to do, nothing lost
    EXPECT_EQ(db.query("SELECT name FROM runs"), (std::vector<Database::Row>{{"Kept"}}));
    db.query("INSERT INTO schema_version (version) VALUES ($1)", {Database::Param::number(Migrations::latest() + 1)});
    EXPECT_THROW(Migrations::apply(db), std::runtime_error);
}

}  // namespace
