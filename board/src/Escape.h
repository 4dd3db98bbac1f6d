#pragma once

#include <string>

// Text made safe for where the board shows it: inside a JSON string, in
// HTML text or an attribute, and as a URL's query value. JSON and HTML come
// out as UTF-8 whatever went in, so one stored byte cannot spoil a day's
// answer for every client.
class Escape {
public:
    // The text with each ill-formed UTF-8 sequence made a U+FFFD.
    static std::string utf8(const std::string &text);
    static std::string json(const std::string &text);
    static std::string html(const std::string &text);
    static std::string url(const std::string &text);
};
