#include "BoardServer.h"

#include <cstdio>
#include <ctime>
#include <exception>
#include <vector>

#include "Gzip.h"
#include "HttpReply.h"
#include "RequestTarget.h"

namespace {

// Requests waiting for a handler thread, beyond those the threads hold: each
// is its headers and at most a demo, so the queue's memory stays bounded.
constexpr std::size_t kWaitingRequests = 1024;
// Small answers gain little from gzip, and cost its header and a pass.
constexpr std::size_t kGzipMinimumBytes = 256;

double secondsNow()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// What the log shows of a text from the network: printable ASCII only.
std::string printable(std::string_view text, std::size_t max)
{
    std::string out;
    for (const char c : text.substr(0, max))
        out += c > 0x20 && c < 0x7f ? c : '?';
    return out.empty() ? "-" : out;
}

HttpReply::Message busy(bool post)
{
    // A run is what the game sends again after Retry-After; a page or a read may simply be asked again.
    HttpReply::Message message =
        post ? HttpReply::error(429, "busy", "the board is verifying as many runs as it can; send it again shortly")
             : HttpReply::error(503, "busy", "the board has too many requests waiting; try again shortly");
    message.set(http::field::retry_after, post ? "10" : "1");
    return message;
}

}  // namespace

BoardServer::BoardServer(const BoardConfig &config, RunStore &store, VerifyPool &pool)
    : config(config), submissions{store, pool}, posts(config.postsPerMinute / 60.0, config.postsPerMinute),
      gets(config.getsPerMinute / 60.0, config.getsPerMinute), routes(config, store, pool, submissions),
      maxRuns(config.workers + config.queue + 4), http(config, *this),
      // A run's thread waits for its verification; the rest answer everything else meanwhile.
      handlers(std::size_t(maxRuns) + 8, kWaitingRequests)
{
}

bool BoardServer::bind()
{
    const bool bound = http.bind();
    port = http.port;
    return bound;
}

void BoardServer::serve()
{
    http.serve();
    handlers.stop();
}

std::string BoardServer::client(const HttpRequest &head, const std::string &peer)
{
    std::vector<std::string> forwardedFor;
    const auto [first, end] = head.equal_range("X-Forwarded-For");
    for (auto line = first; line != end; ++line)
        forwardedFor.emplace_back(line->value());
    return RateLimiter::clientAddress(peer, forwardedFor, config.behindProxy);
}

std::optional<HttpAnswer> BoardServer::screen(const HttpRequest &head, const std::string &client)
{
    const bool post = head.method() == http::verb::post;
    if (!(post ? posts : gets).allow(client, secondsNow())) {
        HttpReply::Message message =
            HttpReply::error(429, "too_many_requests", "too many requests from this address; wait a minute");
        message.set(http::field::retry_after, "60");
        return finish(std::move(message), askedOf(head));
    }
    // Read no run's body that would only be turned away.
    if (post && runs.load() >= maxRuns) return finish(busy(true), askedOf(head));
    return std::nullopt;
}

void BoardServer::handle(HttpRequest request, const std::string &, std::function<void(HttpAnswer)> reply)
{
    const Asked asked = askedOf(request);
    const bool post = request.method() == http::verb::post;
    if (post && runs.fetch_add(1) >= maxRuns) {
        runs.fetch_sub(1);
        return reply(finish(busy(true), asked));
    }
    auto job = [this, post, asked, request = std::move(request), reply]() {
        HttpAnswer answer;
        try {
            answer = routes.answer(request);
        } catch (...) {
            std::string what = "unknown";
            try {
                throw;
            } catch (const std::exception &e) {
                what = e.what();
            } catch (...) {
            }
            std::printf("error: %s\n", printable(what, 500).c_str());
            std::fflush(stdout);
            answer = HttpReply::error(503, "unavailable", "the board cannot answer now; try again later");
        }
        if (post) runs.fetch_sub(1);
        reply(finish(std::move(answer), asked));
    };
    if (handlers.run(std::move(job))) return;
    if (post) runs.fetch_sub(1);
    reply(finish(busy(post), asked));
}

HttpAnswer BoardServer::unreadable(http::status status)
{
    switch (status) {
        case http::status::payload_too_large:
            return finish(HttpReply::error(413, "too_large", "the demo is larger than the board takes"), {});
        case http::status::request_header_fields_too_large:
            return finish(
                HttpReply::error(431, "headers_too_large", "the request's headers are larger than the board takes"),
                {});
        case http::status::request_timeout:
            return finish(HttpReply::error(408, "too_slow", "the request did not arrive in time"), {});
        default: return finish(HttpReply::error(400, "bad_request", "the request could not be read"), {});
    }
}

BoardServer::Asked BoardServer::askedOf(const HttpRequest &request)
{
    return Asked{request.method() == http::verb::head, Gzip::accepted(request[http::field::accept_encoding])};
}

HttpAnswer BoardServer::finish(HttpAnswer answer, Asked asked)
{
    if (auto *message = std::get_if<http::response<http::string_body>>(&answer)) {
        const std::string_view type = (*message)[http::field::content_type];
        if (asked.gzip && message->body().size() >= kGzipMinimumBytes && Gzip::compressible(type)) {
            message->body() = Gzip::compress(message->body());
            message->set(http::field::content_encoding, "gzip");
            message->prepare_payload();
        }
        if (Gzip::compressible(type)) message->set(http::field::vary, "Accept-Encoding");
    }
    std::visit([](auto &message) { message.set("X-Content-Type-Options", "nosniff"); }, answer);
    if (!asked.head) return answer;
    // HEAD: the same header, Content-Length and all, without the body.
    return std::visit(
        [](auto &message) { return HttpAnswer(http::response<http::empty_body>(std::move(message.base()))); }, answer);
}

void BoardServer::log(const std::string &client, std::string_view method, std::string_view target, int status,
                      std::size_t bytes, std::optional<std::chrono::steady_clock::duration> took)
{
    using std::chrono::milliseconds;
    const std::string ms = took ? std::to_string(std::chrono::duration_cast<milliseconds>(*took).count()) + "ms" : "-";
    char when[32];
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    const std::string path = target == "-" ? "-" : RequestTarget(target).path;
    std::printf("%s %s %s %s %d %zu %s\n", when, printable(client, 64).c_str(), printable(method, 16).c_str(),
                printable(path, 200).c_str(), status, bytes, ms.c_str());
    std::fflush(stdout);
}
