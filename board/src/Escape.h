#pragma once

#include <string>

// Text made safe for where the board shows it: inside a JSON string, in
// HTML text or an attribute, and as a URL's query value.
class Escape {
public:
    static std::string json(const std::string &text);
    static std::string html(const std::string &text);
    static std::string url(const std::string &text);
};
