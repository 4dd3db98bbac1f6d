#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

// Requests allowed per address: a bucket of `burst` tokens each, filled at
// `perSecond`, one token a request. Addresses whose buckets have filled up
// again are forgotten when the table grows past `maxAddresses`; while it is
// full of busy ones, new addresses are refused, so a flood of addresses
// costs bounded memory. Safe to call from many threads.
class RateLimiter {
public:
    RateLimiter(double perSecond, double burst, std::size_t maxAddresses = 100000);

    // True when `address` may make a request at `now` (seconds, any steady
    // origin), taking its token.
    bool allow(const std::string &address, double now);
    std::size_t tracked() const;
    // Whom a request comes from: the peer, or behind a reverse proxy on this
    // machine, the address the proxy put last: the last entry of the last
    // X-Forwarded-For line. A proxy may add a line of its own rather than
    // extend the client's, so every line the request carries is given.
    static std::string clientAddress(const std::string &peer, const std::vector<std::string> &forwardedFor,
                                     bool behindProxy);
    // Whether a peer may be a reverse proxy on this machine.
    static bool localProxy(const std::string &peer) { return peer == "127.0.0.1" || peer == "::1"; }
    // The bucket an address draws on: an IPv6 address's /64, since one
    // subscriber is given a whole /64 to pick addresses from; an IPv4 address
    // (mapped into IPv6 or not) itself.
    static std::string bucketOf(const std::string &address);

    double perSecond;
    double burst;
    std::size_t maxAddresses;

private:
    struct Bucket {
        double tokens = 0;
        double at = 0;
    };
    mutable std::mutex lock;
    std::unordered_map<std::string, Bucket> buckets;

    void forgetIdle(double now);
};
