#include "RateLimiter.h"

#include <arpa/inet.h>

#include <algorithm>

RateLimiter::RateLimiter(double perSecond, double burst, std::size_t maxAddresses)
    : perSecond(perSecond), burst(burst), maxAddresses(maxAddresses)
{
}

bool RateLimiter::allow(const std::string &address, double now)
{
    const std::string key = bucketOf(address);
    std::lock_guard<std::mutex> hold(lock);
    auto found = buckets.find(key);
    if (found == buckets.end()) {
        if (buckets.size() >= maxAddresses) forgetIdle(now);
        if (buckets.size() >= maxAddresses) return false;
        found = buckets.emplace(key, Bucket{burst, now}).first;
    }
    Bucket &b = found->second;
    // A clock that steps back refills nothing.
    b.tokens = std::min(burst, b.tokens + std::max(0.0, now - b.at) * perSecond);
    b.at = std::max(b.at, now);
    if (b.tokens < 1.0) return false;
    b.tokens -= 1.0;
    return true;
}

std::string RateLimiter::clientAddress(const std::string &peer, const std::vector<std::string> &forwardedFor,
                                       bool behindProxy)
{
    if (!behindProxy || forwardedFor.empty() || !localProxy(peer)) return peer;
    const std::string &line = forwardedFor.back();
    const std::size_t comma = line.rfind(',');
    std::string last = line.substr(comma == std::string::npos ? 0 : comma + 1);
    std::erase_if(last, [](char c) { return c == ' ' || c == '\t'; });
    return last.empty() || last.size() > 64 ? peer : last;
}

std::string RateLimiter::bucketOf(const std::string &address)
{
    in6_addr six{};
    if (address.find(':') == std::string::npos || inet_pton(AF_INET6, address.c_str(), &six) != 1) return address;
    char text[INET6_ADDRSTRLEN];
    if (IN6_IS_ADDR_V4MAPPED(&six)) return inet_ntop(AF_INET, &six.s6_addr[12], text, sizeof text);
    std::fill(six.s6_addr + 8, six.s6_addr + 16, 0);
    return std::string(inet_ntop(AF_INET6, &six, text, sizeof text)) + "/64";
}

std::size_t RateLimiter::tracked() const
{
    std::lock_guard<std::mutex> hold(lock);
    return buckets.size();
}

void RateLimiter::forgetIdle(double now)
{
    std::erase_if(buckets, [&](const auto &entry) {
        return entry.second.tokens + std::max(0.0, now - entry.second.at) * perSecond >= burst;
    });
}
