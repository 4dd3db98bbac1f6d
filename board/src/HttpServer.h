#pragma once

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

#include "BoardConfig.h"
#include "HttpService.h"

// The listening socket and the few I/O threads that hold every connection
// (Boost.Beast over Asio, driven by events: a slow or silent client costs a
// little memory and no thread). It counts the connections of each address
// (an IPv6 address by its /64) and closes one past the cap at once; each
// connection is an HttpSession.
class HttpServer {
public:
    HttpServer(const BoardConfig &config, HttpService &service);

    // Binds the address; the port chosen is then in `port`.
    bool bind();
    // Serves until stop(), on a few threads of its own.
    void serve();
    // Safe from any thread, before or during serve().
    void stop() { io.stop(); }

    // Takes a connection's place in its address's count; false when the address has its fill.
    bool admit(const std::string &slot);
    void release(const std::string &slot);

    const BoardConfig &config;
    HttpService &service;
    int port = 0;

private:
    std::mutex lock;
    std::unordered_map<std::string, int> connections;  // by RateLimiter::bucketOf, while open
    // Last, so the sessions it still holds when the server goes release their places first.
    boost::asio::io_context io;
    boost::asio::ip::tcp::acceptor acceptor{io};
    boost::asio::steady_timer pause{io};

    void accept();
    void accepted(boost::asio::ip::tcp::socket socket);
};
