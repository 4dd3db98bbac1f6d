#include "submit/BoardAnswer.h"

#include <nlohmann/json.hpp>

namespace {

// The board's short codes, and the player's words for them (the screen's line
// holds about 50 characters).
struct Reason {
    const char *code;
    BoardAnswer::Outcome outcome;
    const char *words;
};
constexpr Reason kReasons[] = {
    {"name_taken", BoardAnswer::kRename, "that name is another player's"},
    {"name_invalid", BoardAnswer::kRename, "the board refused that name"},
    {"day_counted", BoardAnswer::kRefused, "your run of that day is already in"},
    {"already_ranked", BoardAnswer::kRefused, "another player sent this run"},
    {"wrong_day", BoardAnswer::kRefused, "its day is over"},
    {"differs", BoardAnswer::kRefused, "it did not verify"},
    {"unverifiable", BoardAnswer::kRefused, "it did not verify"},
    {"damaged", BoardAnswer::kRefused, "the board could not read it"},
    {"too_large", BoardAnswer::kRefused, "too large for the board"},
    {"practice", BoardAnswer::kRefused, "a practice try"},
    {"not_daily", BoardAnswer::kRefused, "not a daily run"},
    {"not_the_days_levels", BoardAnswer::kRefused, "not the day's levels"},
    {"input_after_end", BoardAnswer::kRefused, "the board could not read it"},
    {"busy", BoardAnswer::kLater, "busy"},
    {"too_many_requests", BoardAnswer::kLater, "busy"},
    {"unavailable", BoardAnswer::kLater, "down"},
};

// A number the board sent, or -1 for anything else.
long long numberIn(const nlohmann::json &doc, const char *key)
{
    const auto it = doc.find(key);
    if (it == doc.end() || !it->is_number_integer()) return -1;
    const long long n = it->get<long long>();
    return n >= 0 ? n : -1;
}

}  // namespace

BoardAnswer BoardAnswer::of(int status, const std::string &body)
{
    const nlohmann::json doc = nlohmann::json::parse(body, nullptr, false);
    const bool object = doc.is_object();
    if (status == 200 || status == 201) {
        const long long rank = object ? numberIn(doc, "rank") : -1, of = object ? numberIn(doc, "of") : -1;
        if (rank >= 1 && of >= rank)
            return {kRanked, "Board: rank " + std::to_string(rank) + " of " + std::to_string(of)};
        return {kRanked, "Board: sent"};
    }
    if (status == 0) return {kLater, "Board: unreachable; sent at the next start"};
    std::string code;
    if (object && doc.contains("error") && doc["error"].is_string()) code = doc["error"].get<std::string>();
    for (const Reason &r : kReasons)
        if (code == r.code)
            return {r.outcome, std::string(r.outcome == kLater ? "Board: " : "Board: not sent: ") + r.words +
                                   (r.outcome == kLater ? "; sent at the next start" : "")};
    if (status == 408 || status == 429 || status >= 500)
        return {kLater, "Board: unreachable; sent at the next start"};
    return {kRefused, "Board: not sent: refused (" + std::to_string(status) + ")"};
}
