// The board's pure rules: names and keys, the builds and days it takes,
// query numbers, and the rate limit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "BuildIdentity.h"
#include "DayWindow.h"
#include "PlayerRules.h"
#include "QueryNumber.h"
#include "RateLimiter.h"
#include "demo/DemoFile.h"

namespace {

TEST(PlayerRules, NamesAreTrimmedPrintableAndAtMost16Characters)
{
    struct Case {
        const char *raw;
        const char *name;  // nullptr: refused
    } cases[] = {
        {"Crab", "Crab"},
        {"  Sir Crab \t", "Sir Crab"},
        {"sixteen-chars-ok", "sixteen-chars-ok"},
        {"ÆÆÆÆÆÆÆÆÆÆÆÆÆÆÆÆ", "ÆÆÆÆÆÆÆÆÆÆÆÆÆÆÆÆ"},  // 16 characters in 32 bytes
        {"<b>&\"'</b>", "<b>&\"'</b>"},            // shown escaped, not refused
        {"seventeen-chars!!", nullptr},
        {"", nullptr},
        {" \t ", nullptr},
        {"tab\tinside", nullptr},
        {"zero\u200bwidth", nullptr},
        {"turn\u202eround", nullptr},
        {"\xc3", nullptr},          // cut short
        {"\xc0\xaf", nullptr},      // overlong
        {"\xed\xa0\x80", nullptr},  // a surrogate
        {"\xf4\x90\x80\x80", nullptr},
    };
    for (const Case &c : cases) {
        std::string name = "unchanged", problem;
        const bool ok = PlayerRules::cleanName(c.raw, &name, &problem);
        EXPECT_EQ(ok, c.name != nullptr) << c.raw << ": " << problem;
        EXPECT_EQ(name, c.name ? c.name : "unchanged") << c.raw;
        EXPECT_EQ(problem.empty(), ok) << c.raw;
    }
    std::string name, problem;
    EXPECT_FALSE(PlayerRules::cleanName(std::string(300, ' ') + "Crab", &name, &problem));
}

TEST(PlayerRules, KeysAre32HexDigits)
{
    EXPECT_TRUE(PlayerRules::validKey("0123456789abcdefABCDEF0123456789"));
    for (const char *key : {"0123456789abcdef0123456789abcde", "0123456789abcdef0123456789abcdef0",
                            "0123456789abcdef0123456789abcdeg", "0123456789abcdef 123456789abcdef", ""})
        EXPECT_FALSE(PlayerRules::validKey(key)) << key;
}

TEST(BuildIdentity, TheBuildColumnIsAKnownBuildNeverTheHeadersBytes)
{
    const std::string game = DemoFile::thisGame(), platform = DemoFile::thisPlatform();
    struct Case {
        std::string game, platform;
        const char *build;  // nullptr: refused as unknown_build
    } cases[] = {
        {game, platform, nullptr},  // this build's own: shown as it is
        {game, "bundled wasm32", "(bundled wasm32)"},
        {game, "raylib aarch64", "(raylib aarch64)"},
        {game, "\xff\xfe", "(unknown platform)"},
        {game, "bundled x86_64 <b>", "(unknown platform)"},
        {game, "bundled", "(unknown platform)"},
        {game, "windows x86_64", "(unknown platform)"},
        {"Tallowfen 0.9.0", platform, nullptr},
        {"Tallowfen \xff\xfe", platform, nullptr},
        {game + " ", platform, nullptr},
        {"", platform, nullptr},
    };
    for (const Case &c : cases) {
        std::string build = "unchanged";
        const Refusal r = BuildIdentity::of(c.game, c.platform, &build);
        const bool known = c.game == game;
        EXPECT_EQ(r.code, known ? "" : "unknown_build") << c.game;
        EXPECT_EQ(r.status, known ? 0 : 422) << c.game;
        EXPECT_EQ(build, !known    ? "unchanged"
                         : c.build ? game + " " + c.build
                                   : game + " (" + platform + ")")
            << c.platform;
    }
}

TEST(QueryNumber, TakesPlainDigitsWithinTheRouteBounds)
{
    struct Case {
        const char *text;
        int64_t value;  // -1: refused
    } cases[] = {
        {"0", 0},         {"7", 7},   {"007", 7}, {"100", 100}, {"101", -1},  {"", -1},    {"-1", -1},
        {"+1", -1},       {" 1", -1}, {"1 ", -1}, {"1e2", -1},  {"0x10", -1}, {"1.0", -1}, {"99999999999999999999", -1},
        {"\xd9\xa1", -1},
    };
    for (const Case &c : cases) {
        int64_t out = -7;
        EXPECT_EQ(QueryNumber::parse(c.text, 0, 100, &out), c.value >= 0) << c.text;
        EXPECT_EQ(out, c.value >= 0 ? c.value : -7) << c.text;
    }
    int64_t out = 0;
    EXPECT_FALSE(QueryNumber::parse("0", 1, 100, &out));  // a limit of 0 is below the bound
    EXPECT_TRUE(QueryNumber::parse("9223372036854775807", 0, INT64_MAX, &out));
    EXPECT_EQ(out, INT64_MAX);
    EXPECT_FALSE(QueryNumber::parse("9223372036854775808", 0, INT64_MAX, &out));
}

TEST(DayWindow, TakesTodayAndYesterdayByUtcOnly)
{
    const std::time_t lateOn8th = 1796774399;  // 2026-12-08 23:59:59 UTC
    EXPECT_TRUE(DayWindow::open("2026-12-08", lateOn8th));
    EXPECT_TRUE(DayWindow::open("2026-12-07", lateOn8th));
    EXPECT_FALSE(DayWindow::open("2026-12-06", lateOn8th));
    EXPECT_FALSE(DayWindow::open("2026-12-09", lateOn8th));  // tomorrow is still to be played
    EXPECT_TRUE(DayWindow::open("2026-12-09", lateOn8th + 1));
    EXPECT_FALSE(DayWindow::open("2026-12-07", lateOn8th + 1));
    EXPECT_EQ(DayWindow::yesterday(1772323200), "2026-02-28");  // 2026-03-01 00:00
    for (const char *date : {"2024-02-29", "2000-02-29", "1970-01-01", "2026-12-31"})
        EXPECT_TRUE(DayWindow::validDate(date)) << date;
    for (const char *date : {"2026-02-29", "1900-02-29", "2026-13-01", "2026-04-31", "2026-00-10", "2026-1-01",
                             "2026-01-1x", "1969-12-31", "-", ""})
        EXPECT_FALSE(DayWindow::validDate(date)) << date;
}

TEST(RateLimiter, AllowsABurstThenRefillsAtItsRate)
{
    RateLimiter limiter(0.5, 3);  // 3 at once, then one each 2 s
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(limiter.allow("10.0.0.1", 100.0)) << i;
    EXPECT_FALSE(limiter.allow("10.0.0.1", 100.0));
    EXPECT_TRUE(limiter.allow("10.0.0.2", 100.0));  // another address has its own
    EXPECT_FALSE(limiter.allow("10.0.0.1", 101.9));
    EXPECT_TRUE(limiter.allow("10.0.0.1", 102.0));
    EXPECT_FALSE(limiter.allow("10.0.0.1", 50.0));  // a clock stepping back gives nothing
    EXPECT_FALSE(limiter.allow("10.0.0.1", 102.0));
    for (int i = 0; i < 3; ++i)  // long idle fills up to the burst, no more
        EXPECT_TRUE(limiter.allow("10.0.0.1", 1000.0)) << i;
    EXPECT_FALSE(limiter.allow("10.0.0.1", 1000.0));
}

TEST(RateLimiter, ForgetsIdleAddressesAndRefusesNewOnesWhileAllAreBusy)
{
    RateLimiter limiter(1.0, 2, 2);
    EXPECT_TRUE(limiter.allow("a", 0.0));
    EXPECT_TRUE(limiter.allow("b", 0.0));
    EXPECT_FALSE(limiter.allow("c", 0.5));  // a and b still within their window
    EXPECT_TRUE(limiter.allow("c", 1.0));   // a and b have filled up again: forgotten
    EXPECT_EQ(limiter.tracked(), 1u);
}

TEST(RateLimiter, AnIpv6SubscribersAddressesShareOneBucket)
{
    const std::pair<const char *, const char *> cases[] = {
        {"2001:db8:1:2:aaaa::1", "2001:db8:1:2::/64"},
        {"2001:db8:1:2:ffff:ffff:ffff:ffff", "2001:db8:1:2::/64"},
        {"2001:db8::", "2001:db8::/64"},
        {"::1", "::/64"},
        {"::ffff:192.0.2.7", "192.0.2.7"},  // an IPv4 client of a dual-stack socket
        {"192.0.2.7", "192.0.2.7"},
        {"2001:db8:::1", "2001:db8:::1"},  // not an address: its own bucket, as given
        {"", ""},
    };
    for (const auto &[address, bucket] : cases)
        EXPECT_EQ(RateLimiter::bucketOf(address), bucket) << address;
    RateLimiter limiter(1.0, 1);
    EXPECT_TRUE(limiter.allow("2001:db8:1:2::a", 0.0));
    EXPECT_FALSE(limiter.allow("2001:db8:1:2::b", 0.0));
    EXPECT_TRUE(limiter.allow("2001:db8:1:3::a", 0.0));
}

TEST(RateLimiter, TrustsTheLastAddressALocalProxyPutInAnyForwardedLine)
{
    struct Case {
        const char *peer;
        std::vector<std::string> lines;
        bool behindProxy;
        const char *client;
    } cases[] = {
        {"127.0.0.1", {"10.1.1.1, 192.0.2.7"}, true, "192.0.2.7"},
        {"::1", {"2001:db8::5"}, true, "2001:db8::5"},
        {"127.0.0.1", {"192.0.2.7"}, false, "127.0.0.1"},
        {"198.51.100.3", {"192.0.2.7"}, true, "198.51.100.3"},  // sent by the client, with no proxy between
        {"127.0.0.1", {}, true, "127.0.0.1"},
        {"127.0.0.1", {""}, true, "127.0.0.1"},
        {"127.0.0.1", {"10.1.1.1,\t192.0.2.7 "}, true, "192.0.2.7"},
        // A proxy that adds a line of its own after the client's forged ones.
        {"127.0.0.1", {"203.0.113.1", "203.0.113.2, 203.0.113.3", "192.0.2.7"}, true, "192.0.2.7"},
        {"127.0.0.1", {"192.0.2.7", "203.0.113.1, 198.51.100.9"}, true, "198.51.100.9"},
        {"127.0.0.1", {"192.0.2.7", ""}, true, "127.0.0.1"},  // the proxy named no one: itself
        {"127.0.0.1", {std::string(65, '1')}, true, "127.0.0.1"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(RateLimiter::clientAddress(c.peer, c.lines, c.behindProxy), c.client)
            << c.peer << " " << c.lines.size() << " lines";
}

}  // namespace
