#pragma once

#include <boost/beast/http.hpp>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace http = boost::beast::http;

using HttpRequest = http::request<http::string_body>;
// An answer in memory, a file sent from the disk, or a header alone (HEAD's).
using HttpAnswer =
    std::variant<http::response<http::string_body>, http::response<http::file_body>, http::response<http::empty_body>>;

// What a server built on HttpServer answers. HttpSession reads the requests
// and writes the answers on the I/O threads, and asks this for everything
// else: who sent a request, whether to turn it away once its headers are in,
// the answer to a whole one (given on any thread), and the log's line.
class HttpService {
public:
    virtual ~HttpService() = default;

    // Whom a request comes from, once its headers (or as many as arrived) are in.
    virtual std::string client(const HttpRequest &head, const std::string &peer) = 0;
    // An answer that turns a request away before its body is read, or none.
    // Runs on an I/O thread, so it must not wait.
    virtual std::optional<HttpAnswer> screen(const HttpRequest &head, const std::string &client) = 0;
    // Answers a whole request through `reply`, once, from any thread.
    virtual void handle(HttpRequest request, const std::string &client, std::function<void(HttpAnswer)> reply) = 0;
    // The answer to a request that could not be read whole: 400, 408, 413 or 431.
    virtual HttpAnswer unreadable(http::status status) = 0;
    // As each answer leaves: `took` is from the request's acceptance (none for one turned away).
    virtual void log(const std::string &client, std::string_view method, std::string_view target, int status,
                     std::size_t bytes, std::optional<std::chrono::steady_clock::duration> took) = 0;
};
