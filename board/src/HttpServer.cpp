#include "HttpServer.h"

#include <boost/asio/strand.hpp>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "HttpSession.h"
#include "RateLimiter.h"

namespace net = boost::asio;
using net::ip::tcp;

namespace {

// An IPv4 client of a dual-stack socket is named as IPv4, as the rate limit and the proxy's check expect.
std::string addressOf(const tcp::endpoint &peer)
{
    const net::ip::address address = peer.address();
    if (address.is_v6() && address.to_v6().is_v4_mapped())
        return net::ip::make_address_v4(net::ip::v4_mapped, address.to_v6()).to_string();
    return address.to_string();
}

}  // namespace

HttpServer::HttpServer(const BoardConfig &config, HttpService &service) : config(config), service(service) {}

bool HttpServer::bind()
{
    boost::system::error_code error;
    tcp::resolver resolver(io);
    const auto found = resolver.resolve(config.host, std::to_string(config.port), tcp::resolver::passive, error);
    if (error || found.empty()) return false;
    const tcp::endpoint where = found.begin()->endpoint();
    // SO_REUSEADDR lets a board restart while the last one's connections
    // close; never SO_REUSEPORT, which would let a second board bind this
    // port and take half its requests.
    acceptor.open(where.protocol(), error);
    if (!error) acceptor.set_option(tcp::acceptor::reuse_address(true), error);
    if (!error) acceptor.bind(where, error);
    if (!error) acceptor.listen(net::socket_base::max_listen_connections, error);
    if (!error) port = acceptor.local_endpoint(error).port();
    if (error) acceptor.close(error);
    return acceptor.is_open();
}

void HttpServer::serve()
{
    accept();
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 2u, 4u);
    std::vector<std::thread> running;
    for (unsigned i = 1; i < threads; ++i)
        running.emplace_back([this] { io.run(); });
    io.run();
    for (std::thread &t : running)
        t.join();
}

void HttpServer::accept()
{
    acceptor.async_accept(net::make_strand(io), [this](boost::system::error_code error, tcp::socket socket) {
        if (error == net::error::operation_aborted) return;
        if (!error) return accepted(std::move(socket)), accept();
        // Out of descriptors or buffers: the connections waiting stay in the
        // backlog a moment rather than spinning this thread.
        pause.expires_after(std::chrono::milliseconds(100));
        pause.async_wait([this](boost::system::error_code) { accept(); });
    });
}

void HttpServer::accepted(tcp::socket socket)
{
    boost::system::error_code error;
    const tcp::endpoint peer = socket.remote_endpoint(error);
    if (error) return;
    // Each answer is one write; without this, its last piece would wait on
    // Nagle's algorithm for the client's delayed acknowledgement (~40 ms).
    socket.set_option(tcp::no_delay(true), error);
    const std::string address = addressOf(peer);
    // Behind a proxy on this machine, every request comes through its
    // connections, and the proxy holds the clients to their own counts.
    const bool proxy = config.behindProxy && RateLimiter::localProxy(address);
    const std::string slot = proxy ? "" : RateLimiter::bucketOf(address);
    if (!proxy && !admit(slot)) return;  // closed as `socket` goes
    std::make_shared<HttpSession>(std::move(socket), *this, address, slot)->start();
}

bool HttpServer::admit(const std::string &slot)
{
    std::lock_guard<std::mutex> hold(lock);
    int &count = connections[slot];
    if (count >= config.connectionsPerAddress) return false;
    ++count;
    return true;
}

void HttpServer::release(const std::string &slot)
{
    std::lock_guard<std::mutex> hold(lock);
    const auto found = connections.find(slot);
    if (found != connections.end() && --found->second <= 0) connections.erase(found);
}
