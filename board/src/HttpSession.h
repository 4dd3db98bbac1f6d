#pragma once

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "HttpService.h"

class HttpServer;

// One connection, from its first byte to its close, on its own strand of the
// I/O threads: the wait for a request (the idle limit), the request read
// against one deadline for its headers and body together and held to the
// header and body limits, `100 Continue` when asked for, the whole request
// handed to the service, and its answer written in one gather write. A
// request turned away with its body unread ends the connection, after a
// short drain so the client reads the answer rather than a reset.
class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    HttpSession(boost::asio::ip::tcp::socket socket, HttpServer &server, std::string peer, std::string slot);
    ~HttpSession();
    HttpSession(const HttpSession &) = delete;
    HttpSession &operator=(const HttpSession &) = delete;

    void start() { awaitRequest(); }

private:
    using Clock = std::chrono::steady_clock;

    HttpServer &server;
    boost::beast::tcp_stream stream;
    boost::beast::flat_buffer buffer;
    boost::asio::steady_timer deadline;
    std::optional<http::request_parser<http::string_body>> parser;
    http::response<http::empty_body> goOn{http::status::continue_, 11};
    HttpAnswer answer;
    const std::string peer;
    std::optional<std::string> slot;  // its place in its address's count, until closed
    // The request under way, as its log line shows it.
    std::string client, method, target;
    bool headed = false;                        // its headers are in
    bool reading = false;                       // its deadline is running
    bool timedOut = false;                      // and has passed
    unsigned requests = 0;                      // tells one request's deadline from the next's
    std::optional<Clock::time_point> accepted;  // passed the service's screen

    void awaitRequest();
    void readHeader();
    void headerRead(boost::beast::error_code error);
    void readBody();
    void bodyRead(boost::beast::error_code error);
    void dispatch();
    void failed(boost::beast::error_code error);
    void send(HttpAnswer reply, bool last);
    void sent(boost::beast::error_code error, bool last);
    void linger();
    void drain();
    void close();
};
