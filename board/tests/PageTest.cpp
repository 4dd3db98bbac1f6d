// What the board shows of an entry, on its page and in the API: the played
// length and the display rate its steps imply, and only UTF-8 whatever a
// stored row holds.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <unicode/ustring.h>

#include "BoardPage.h"
#include "RunSubmission.h"

namespace {

bool wellFormedUtf8(const std::string &text)
{
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, text.data(), int32_t(text.size()), &status);
    return status != U_INVALID_CHAR_FOUND;
}

RunStore::Entry entry(int64_t tics, int64_t lengthMs, const std::string &name = "Crab",
                      const std::string &build = "Tallowfen 1.0.0 (bundled x86_64)")
{
    RunStore::Entry e;
    e.id = 4, e.day = "2026-12-08", e.name = name, e.level = 3, e.gold = 20, e.kills = 9;
    e.tics = tics, e.lengthMs = lengthMs, e.build = build, e.submittedAt = 1796774399000;
    return e;
}

TEST(BoardPage, ADisplayRateIsTheRunsTicsAPlayedSecondRounded)
{
    struct Case {
        int64_t tics, lengthMs, hz;
    } cases[] = {
        {3600, 60000, 60}, {12960, 90000, 144},  {100, 1500, 67}, {3, 2000, 2},
        {1, 1000, 1},      {60000, 1000, 60000},  // steps of a millisecond: no display runs that fast
        {0, 0, 0},         {3600, 0, 0},         {0, 5000, 0},    {-5, 1000, 0},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(BoardPage::displayHz(c.tics, c.lengthMs), c.hz) << c.tics << " tics in " << c.lengthMs << " ms";
        const nlohmann::json json = nlohmann::json::parse(RunSubmission::entryJson(entry(c.tics, c.lengthMs), 2, 5));
        EXPECT_EQ(json.at("display_hz"), c.hz);
        EXPECT_EQ(json.at("length_ms"), c.lengthMs);
    }
}

TEST(BoardPage, EveryPageShowsEachRunsPlayedLengthAndRateAndLinksWhatARunProves)
{
    BoardPage page;
    page.day = page.today = "2026-12-08";
    page.entries = {entry(3600, 61000), entry(50000, 59000, "Fast")};
    page.total = 2;
    const std::string html = page.render();
    EXPECT_NE(html.find("<td>1:01</td><td>59 Hz</td>"), std::string::npos) << html;
    EXPECT_NE(html.find("<td>0:59</td><td>847 Hz</td>"), std::string::npos) << html;
    page.entries.clear(), page.total = 0;
    for (const std::string &shown : {html, page.render()})
        EXPECT_NE(shown.find("<a href=\"/board/about\">"), std::string::npos);

    const std::string about = BoardPage::about();
    EXPECT_EQ(about.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(about.find("<a href=\"/board/\">"), std::string::npos);
    for (const char *said : {"the game allowed these inputs", "that a person played them", "a first try was the first",
                             "a player holds one key"})
        EXPECT_NE(about.find(said), std::string::npos) << said;
}

TEST(BoardPage, AStoredRowOfAnyBytesComesOutAsUtf8)
{
    // Rows from before the build column held a known build, or the names' rules.
    const RunStore::Entry odd = entry(3600, 60000, "a\xff\xfe<b>", "Tallowfen 1.0.0 (\xff\xfe)");
    const nlohmann::json json = nlohmann::json::parse(RunSubmission::entryJson(odd, 1, 1));
    EXPECT_EQ(json.at("name"), "a\ufffd\ufffd<b>");
    EXPECT_EQ(json.at("build"), "Tallowfen 1.0.0 (\ufffd\ufffd)");
    BoardPage page;
    page.day = page.today = "2026-12-08";
    page.entries = {odd};
    page.total = 1;
    const std::string html = page.render();
    EXPECT_TRUE(wellFormedUtf8(html));
    EXPECT_NE(html.find("<td>a\ufffd\ufffd&lt;b&gt;</td>"), std::string::npos) << html;
    EXPECT_FALSE(wellFormedUtf8(odd.build));  // the check itself tells them apart
}

}  // namespace
