// Feeds arbitrary bytes to what the board reads from a request besides its
// name and demo, the first byte saying which: a player's key, a query
// number, a date (and whether it is open), and the client's address. Each
// answer is held to a rule worked out apart from the code that gave it.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "DayWindow.h"
#include "PlayerRules.h"
#include "QueryNumber.h"
#include "RateLimiter.h"

namespace {

void check(bool holds, const char *rule, const std::string &text)
{
    if (holds) return;
    std::fprintf(stderr, "%s: \"", rule);
    for (const unsigned char c : text)
        std::fprintf(stderr, c >= 0x20 && c < 0x7f ? "%c" : "\\x%02x", c);
    std::fprintf(stderr, "\"\n");
    std::abort();
}

bool allDigits(const std::string &text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

void key(const std::string &text)
{
    bool hex = text.size() == 32;
    for (const char c : text)
        hex = hex && std::isxdigit(static_cast<unsigned char>(c));
    check(PlayerRules::validKey(text) == hex, "a key is 32 hex digits", text);
}

void queryNumber(uint8_t bounds, const std::string &text)
{
    static constexpr int64_t kBounds[][2] = {{0, 1000000000}, {1, 100}, {0, 10000000}, {INT64_MIN, INT64_MAX}};
    const int64_t min = kBounds[bounds % 4][0], max = kBounds[bounds % 4][1];
    int64_t out = -12345;
    const bool taken = QueryNumber::parse(text, min, max, &out);
    // The number the digits write, by long division on the text: no leading
    // zeros, and past 19 digits too large for any bound.
    const std::size_t first = text.find_first_not_of('0');
    const std::string digits = first == std::string::npos ? "0" : text.substr(first);
    const bool fits =
        allDigits(text) && digits.size() <= 19 && (digits.size() < 19 || digits <= std::to_string(INT64_MAX));
    const bool within = fits && std::stoll(digits) >= min && std::stoll(digits) <= max;
    check(taken == within, "a query number is its digits within the bounds", text);
    check(taken ? std::to_string(out) == digits : out == -12345, "a refused number leaves its output", text);
}

void date(const std::string &text, std::time_t now)
{
    // A real date is the one a UTC calendar gives back for it.
    bool real = text.size() == 10 && text[4] == '-' && text[7] == '-' && allDigits(text.substr(0, 4)) &&
                allDigits(text.substr(5, 2)) && allDigits(text.substr(8, 2));
    std::time_t midnight = 0;
    if (real) {
        std::tm day{};
        day.tm_year = std::stoi(text.substr(0, 4)) - 1900;
        day.tm_mon = std::stoi(text.substr(5, 2)) - 1;
        day.tm_mday = std::stoi(text.substr(8, 2));
        midnight = timegm(&day);
        std::tm back{};
        char written[16] = "";
        real = day.tm_year >= 70 && gmtime_r(&midnight, &back) &&
               std::strftime(written, sizeof written, "%Y-%m-%d", &back) == 10 && text == written;
    }
    check(DayWindow::validDate(text) == real, "a valid date is a real one since 1970", text);
    const bool open = real && now >= midnight && now < midnight + 2 * 86400;
    check(DayWindow::open(text, now) == open, "an open date is today's or yesterday's", text);
}

void address(uint8_t flags, const std::string &text)
{
    std::vector<std::string> lines{""};
    for (const char c : text) {
        if (c == '\n')
            lines.emplace_back();
        else
            lines.back().push_back(c);
    }
    const std::string peer = (flags & 2) ? (flags & 4 ? "::1" : "127.0.0.1") : lines.front();
    const std::vector<std::string> forwarded(lines.begin() + ((flags & 2) ? 0 : 1), lines.end());
    const bool behind = flags & 1;
    const std::string client = RateLimiter::clientAddress(peer, forwarded, behind);
    if (!behind || (peer != "127.0.0.1" && peer != "::1"))
        check(client == peer, "only a local proxy names another client", text);
    else if (client != peer)
        check(!client.empty() && client.size() <= 64 && client.find_first_of(", \n") == std::string::npos,
              "a forwarded client is one address the proxy wrote", text);
    // inet_ntop writes at most 45 characters of an IPv6 address.
    const std::string bucket = RateLimiter::bucketOf(client);
    check(bucket == client || bucket.size() <= 45 + 3, "a bucket is the address or its /64", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2) return 0;
    const std::string text(reinterpret_cast<const char *>(data) + 2, size - 2);
    switch (data[0] % 4) {
        case 0: key(text); break;
        case 1: queryNumber(data[1], text); break;
        case 2: date(text, std::time_t(1796774399) + std::time_t(data[1]) * 43200 - 40 * 86400); break;
        case 3: address(data[1], text); break;
    }
    return 0;
}
