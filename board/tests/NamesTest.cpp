// Names as the board's readers see them: one normal form, nothing that draws
// like nothing, and a name that looks like a taken one is that name.
#include <gtest/gtest.h>

#include <thread>

#include "PlayerRules.h"

namespace {

std::string clean(const std::string &raw)
{
    std::string name, problem;
    EXPECT_TRUE(PlayerRules::cleanName(raw, &name, &problem)) << raw << ": " << problem;
    return name;
}

TEST(PlayerRules, ANameIsShownInNfcTrimmedWithItsSpacesAsThePageShowsThem)
{
    const std::pair<const char *, const char *> cases[] = {
        {"cafe\u0301", "caf\u00e9"},  // NFD comes out NFC
        {"caf\u00e9", "caf\u00e9"},
        {"\u3000 Sir   Crab\u00a0\t", "Sir Crab"},  // any space at the ends; a run inside shows as one
        {"\u0395\u0301\u0395\u0301\u0395\u0301\u0395\u0301\u0395\u0301\u0395\u0301\u0395\u0301\u0395\u0301"
         "\u0395\u0301\u0395\u0301\u0395\u0301\u0395\u0301\u0395\u0301\u0395\u0301\u0395\u0301\u0395\u0301",
         "\u0388\u0388\u0388\u0388\u0388\u0388\u0388\u0388\u0388\u0388\u0388\u0388\u0388\u0388\u0388"
         "\u0388"},  // 16 once composed
        {"\U0001F980 Crab", "\U0001F980 Crab"},
        {"\u03a3\u038a\u03a3\u03a5\u03a6\u039f\u03a3", "\u03a3\u038a\u03a3\u03a5\u03a6\u039f\u03a3"},
    };
    for (const auto &[raw, shown] : cases) {
        EXPECT_EQ(clean(raw), shown) << raw;
        EXPECT_EQ(clean(shown), shown) << "cleaning again changes " << shown;
    }
}

TEST(PlayerRules, ANameThatDrawsNothingOrLikeNothingIsRefusedWithItsReason)
{
    const std::pair<const char *, const char *> cases[] = {
        {"alice\ufe0f", "the name has a character that cannot be shown (U+FE0F)"},       // a variation selector
        {"alice\U000E0061", "the name has a character that cannot be shown (U+E0061)"},  // a tag
        {"\u3164", "the name has a character that cannot be shown (U+3164)"},            // Hangul fillers
        {"A\u115f\u1160", "the name has a character that cannot be shown (U+115F)"},
        {"\uffa0B", "the name has a character that cannot be shown (U+FFA0)"},
        {"\u2800", "the name has a character that cannot be shown (U+2800)"},  // the braille blank
        {"soft\u00adhyphen", "the name has a character that cannot be shown (U+00AD)"},
        {"zero\u200dwidth", "the name has a character that cannot be shown (U+200D)"},
        {"turn\u202eround", "the name has a character that cannot be shown (U+202E)"},
        {"two\u2028lines", "the name has a character that cannot be shown (U+2028)"},
        {"\u3000", "the name is empty"},
        {"\u3000\u2003 \u00a0", "the name is empty"},
        {"wide\u3000space", "the name has a space other than a plain one (U+3000)"},
        {"\u0301", "the name has no letter, digit, punctuation or symbol"},
        {"own\ue000", "the name has a private-use character (U+E000)"},
        {"\U000F0001", "the name has a private-use character (U+F0001)"},
        {"new\u0378", "the name has a character Unicode does not define (U+0378)"},
        {"not\ufffe", "the name has a character Unicode does not define (U+FFFE)"},
        {"cafe\u0301\u0301", "the name has one mark twice on a letter, which shows as once"},
        {"1\u0661", "the name mixes the digits of two scripts"},
        {"\U0001F980\U0001F980\U0001F980\U0001F980\U0001F980\U0001F980\U0001F980\U0001F980\U0001F980"
         "\U0001F980\U0001F980\U0001F980\U0001F980\U0001F980\U0001F980\U0001F980\U0001F980",
         "the name is longer than 16 characters"},
    };
    for (const auto &[raw, why] : cases) {
        std::string name = "unchanged", problem;
        EXPECT_FALSE(PlayerRules::cleanName(raw, &name, &problem)) << raw;
        EXPECT_EQ(problem, why) << raw;
        EXPECT_EQ(name, "unchanged") << raw;
    }
}

TEST(PlayerRules, ANameThatLooksLikeATakenOneFoldsToIt)
{
    const std::pair<const char *, const char *> alike[] = {
        {"alice", "ALICE"},
        {"alice", "\u0430lice"},                        // Cyrillic a
        {"alice", "\u0430\u04cf\u0456\u0441\u0435"},    // every letter Cyrillic
        {"alice", "\uff41\uff4c\uff49\uff43\uff45"},    // fullwidth
        {"alice", "ALlCE"},                             // l for I
        {"PayPal", "PayPaI"},                           // I for l
        {"caf\u00e9", "CAFE\u0301"},                    // NFC and NFD
        {"STRASSE", "stra\u00dfe"},                     // full case folding
        {"\u03a3\u038a\u03a3\u03a5\u03a6\u039f\u03a3",  // final sigma
         "\u03c3\u03af\u03c3\u03c5\u03c6\u03bf\u03c2"},
        {"l0l", "LOL"},  // 0 is O, and O folds to o
        {"Crab \u00c6", "crab ae"},
        {"modern", "rnodern"},
    };
    for (const auto &[taken, lookAlike] : alike)
        EXPECT_EQ(PlayerRules::foldName(clean(lookAlike)), PlayerRules::foldName(clean(taken)))
            << lookAlike << " passes for " << taken;
    // Names from before these rules, still in the table, fold with what they showed as.
    EXPECT_EQ(PlayerRules::foldName("alice\ufe0f"), PlayerRules::foldName("alice"));
    EXPECT_EQ(PlayerRules::foldName("alice\U000E0061"), PlayerRules::foldName("alice"));

    const std::pair<const char *, const char *> apart[] = {
        {"alice", "alicia"}, {"Tide", "Tile"}, {"ab", "a b"}, {"\u00e9", "e"}, {"1", "2"}, {"Crab", "Crab!"},
    };
    for (const auto &[one, other] : apart)
        EXPECT_NE(PlayerRules::foldName(one), PlayerRules::foldName(other)) << one << " and " << other;
}

TEST(PlayerRules, FoldingAKeyGivesTheKey)
{
    for (const char *name : {"l0l", "%", "\u00a5", "\u0392", "\u03d0", "\u00bd", "STRASSE", "\u2160\u2161"}) {
        const std::string key = PlayerRules::foldName(name);
        EXPECT_EQ(PlayerRules::foldName(key), key) << name;
    }
}

TEST(PlayerRules, NamesAreCleanedAndFoldedFromManyThreadsAtOnce)
{
    // The server's request threads share the rules' ICU objects; under
    // ThreadSanitizer this is where they would race, on their first use too.
    const std::vector<std::string> names = {"alice", "\u0430lice", "STRASSE", "cafe\u0301", "PayPaI", "l0l"};
    std::vector<std::vector<std::string>> folds(4);
    std::vector<std::thread> threads;
    for (std::vector<std::string> &out : folds)
        threads.emplace_back([&names, &out] {
            for (const std::string &raw : names) {
                std::string name, problem;
                out.push_back(PlayerRules::cleanName(raw, &name, &problem) ? PlayerRules::foldName(name) : problem);
            }
        });
    for (std::thread &t : threads)
        t.join();
    for (const std::vector<std::string> &out : folds)
        EXPECT_EQ(out, (std::vector<std::string>{"allce", "allce", "strasse", "cafe\u0301", "paypal", "lol"}));
}

TEST(PlayerRules, RefoldingTheTableLeavesEachLookAlikeToItsEarliestClaim)
{
    using Claim = PlayerRules::Claim;
    const std::vector<Claim> before = {
        {"\u0430lice", "\u0430lice", "mallory", 20},  // folded by ASCII case only
        {"alice", "Alice", "alice", 10},
        {"alice\ufe0f", "alice\ufe0f", "eve", 30},
        {"bob", "Bob", "bob", 20},
        {"b0b", "B0B", "trent", 20},  // as early as Bob: the lower name, bytewise, keeps it
    };
    std::vector<std::tuple<std::string, std::string, std::string>> after;
    for (const Claim &c : PlayerRules::refold(before))
        after.emplace_back(c.folded, c.name, c.keyHash);
    EXPECT_EQ(after, (std::vector<std::tuple<std::string, std::string, std::string>>{
                         {PlayerRules::foldName("alice"), "Alice", "alice"}, {"bob", "B0B", "trent"}}));
}

}  // namespace
