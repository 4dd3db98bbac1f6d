// The board's rules on stored runs, on both databases: names, one run a
// day, and a run ranked once, neither copied nor cut short.
#include "StoreFixture.h"

namespace {

using Rules = StoreFixture;

TEST_P(Rules, KeepsNamesForTheirFirstKeyAndOneRunADayRankedOnce)
{
    auto store = open();
    ASSERT_FALSE(storeAdd(*store, storeRun("alice", "Tide", 3, 0, 0, 1)).refused());
    struct Case {
        RunStore::Submission sent;
        const char *code;  // "" ranked; "earlier" answered with the first sending
    } cases[] = {
        {storeRun("bob", "tIDE", 4, 0, 0, 2), "name_taken"},
        {storeRun("alice", "Tide", 5, 0, 0, 3), "day_counted"},
        {storeRun("alice", "Foam", 5, 0, 0, 3), "day_counted"},     // another name, the same player
        {storeRun("alice", "Foam", 5, 0, 0, 3, "2026-12-09"), ""},  // a key takes another free name
        {storeRun("bob", "Foam", 2, 0, 0, 4, "2026-12-07"), "name_taken"},
        {storeRun("bob", "Surf", 2, 0, 0, 4), ""},
        {storeRun("alice", "Tide", 3, 0, 0, 1), "earlier"},
    };
    RunStore::Submission copied = storeRun("alice", "Tide", 3, 0, 0, 1);
    copied.keyHash = "carol", copied.entry.name = "Carol";  // alice's run, sent by another
    for (Case &c : cases) {
        std::optional<RunStore::Entry> earlier, checked;
        const std::string code = std::string(c.code) == "earlier" ? "" : c.code;
        EXPECT_EQ(store->precheck(c.sent, &checked).code, code) << c.sent.entry.name;
        EXPECT_EQ(store->add(c.sent, &earlier).code, code) << c.sent.entry.name;
        EXPECT_EQ(earlier.has_value(), std::string(c.code) == "earlier") << c.sent.entry.name;
        EXPECT_EQ(checked.has_value(), earlier.has_value());
        EXPECT_EQ(earlier ? earlier->submittedAt : 1, 1);
    }
    EXPECT_EQ(storeAdd(*store, copied).code, "already_ranked");
    int64_t total = 0;
    EXPECT_EQ(store->day("2026-12-08", 0, 10, &total).size(), 2u);
}

// A run is named by its links: whoever sends a run that ends where a ranked
// run of the day ends or passes sends a copy, however its bytes differ.
TEST_P(Rules, RefusesACopyOrAPrefixOfARankedRunOfTheDay)
{
    auto store = open();
    const auto sending = [](const std::string &key, std::vector<std::string> links,
                            const std::string &day = "2026-12-08") {
        RunStore::Submission s = storeRun(key, "p" + key, 4, 0, 0, 10, day);
        s.runHash = links.back() + key;  // the bytes' own hash differs each time
        s.links = std::move(links);
        return s;
    };
    const std::string a1(64, 'a'), a2(64, 'b'), a3(64, 'c'), b2(64, 'd');
    RunStore::Submission ranked = sending("k1", {a1, a2, a3});
    ASSERT_FALSE(storeAdd(*store, ranked).refused());
    struct Case {
        RunStore::Submission sent;
        const char *code;  // "" ranked; "earlier" answered with the first sending
    } cases[] = {
        {sending("k2", {a1, a2, a3}), "already_ranked"},      // a copy
        {sending("k2", {a1, a2}), "already_ranked"},          // cut short
        {sending("k1", {a1, a2}), "already_ranked"},          // the sender's own, cut short
        {sending("k1", {a1, a2, a3}), "earlier"},             // sent again by its player
        {ranked, "earlier"},                                  // the very same bytes
        {sending("k3", {a1, b2}), ""},                        // only its first mark alike
        {sending("k4", {a1, a2, a3}, "2026-12-09"), ""},      // another day's board
        {sending("k5", {a1, b2}), "already_ranked"},          // a copy of k3's
        {sending("k6", {a1, b2, std::string(64, 'e')}), ""},  // k3's, played on
    };
    for (Case &c : cases) {
        std::optional<RunStore::Entry> earlier, checked;
        const std::string code = std::string(c.code) == "earlier" ? "" : c.code;
        EXPECT_EQ(store->precheck(c.sent, &checked).code, code) << c.sent.keyHash;
        EXPECT_EQ(store->add(c.sent, &earlier).code, code) << c.sent.keyHash;
        EXPECT_EQ(earlier.has_value(), std::string(c.code) == "earlier") << c.sent.keyHash;
        EXPECT_EQ(checked.has_value(), earlier.has_value()) << c.sent.keyHash;
        EXPECT_EQ(earlier ? earlier->name : "pk1", "pk1");
    }
}

INSTANTIATE_TEST_SUITE_P(Store, Rules, ::testing::Bool(), backendName);

}  // namespace
