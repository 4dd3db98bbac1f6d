#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A request's target as the board reads it: the path, percent-decoded, and
// the query's parameters, decoded with '+' as a space. A target that is not
// a path from '/' or hides a NUL byte is not valid and finds nothing.
class RequestTarget {
public:
    explicit RequestTarget(std::string_view target);

    bool valid = false;
    std::string path;
    std::vector<std::pair<std::string, std::string>> params;

    bool has(std::string_view name) const;
    // The first value of `name`, or "".
    std::string value(std::string_view name) const;

    static std::string decode(std::string_view text, bool plusIsSpace);
};
