#pragma once

#include <cstdint>
#include <string>

// A number in a request's query (a page, an offset, a limit): decimal digits
// only, no sign, space or exponent, and within the bounds its route gives.
class QueryNumber {
public:
    // True when `text` is such a number in [min, max]; *out is then set,
    // and left alone otherwise.
    static bool parse(const std::string &text, int64_t min, int64_t max, int64_t *out);
};
