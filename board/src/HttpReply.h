#pragma once

#include <string>
#include <string_view>

#include "HttpService.h"

// The board's answers as Beast messages: text in a type, JSON, the JSON
// error every refusal carries ({"error": code, "reason": words}), and a
// redirect. Each has its length set; the server adds the headers every
// answer shares.
class HttpReply {
public:
    using Message = http::response<http::string_body>;

    static Message text(unsigned status, std::string body, std::string_view contentType);
    static Message json(unsigned status, std::string body);
    static Message error(unsigned status, const std::string &code, const std::string &reason);
    static Message redirect(const std::string &location);
};
