#include "QueryNumber.h"

#include <charconv>

bool QueryNumber::parse(const std::string &text, int64_t min, int64_t max, int64_t *out)
{
    // from_chars takes a leading minus for a signed type: digits are checked first.
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < min || value > max) return false;
    *out = value;
    return true;
}
