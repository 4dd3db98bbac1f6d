#pragma once

#include <atomic>
#include <string>

#include "BoardConfig.h"
#include "BoardRoutes.h"
#include "HandlerPool.h"
#include "HttpServer.h"
#include "HttpService.h"
#include "RateLimiter.h"
#include "RunStore.h"
#include "RunSubmission.h"
#include "VerifyPool.h"

// The board's HTTP side: HttpServer holds the connections on a few I/O
// threads, and this decides. Once a request's headers are in, it is held to
// its address's rate limit and the room left for runs (the parser holds it
// to the size limits: a Content-Length past them fails with the headers); a
// whole request goes to the handler threads, where BoardRoutes answers it
// (503 when that throws), in gzip when asked and worth it. Every answer
// carries nosniff, and each request gets one log line.
class BoardServer : public HttpService {
public:
    BoardServer(const BoardConfig &config, RunStore &store, VerifyPool &pool);

    // Binds the address; the port chosen is then in `port`.
    bool bind();
    // Serves until stop().
    void serve();
    void stop() { http.stop(); }

    std::string client(const HttpRequest &head, const std::string &peer) override;
    std::optional<HttpAnswer> screen(const HttpRequest &head, const std::string &client) override;
    void handle(HttpRequest request, const std::string &client, std::function<void(HttpAnswer)> reply) override;
    HttpAnswer unreadable(http::status status) override;
    void log(const std::string &client, std::string_view method, std::string_view target, int status, std::size_t bytes,
             std::optional<std::chrono::steady_clock::duration> took) override;

    const BoardConfig &config;
    RunSubmission submissions;
    RateLimiter posts;
    RateLimiter gets;
    BoardRoutes routes;
    // Every run the verifiers can hold, running or queued, and a few more
    // being read or refused: more would only wait for a 429.
    const int maxRuns;
    HttpServer http;
    // After `http`, so it goes first: its waiting jobs hold connections.
    HandlerPool handlers;
    int port = 0;

private:
    // What a request asks of its answer's form.
    struct Asked {
        bool head = false;
        bool gzip = false;
    };
    std::atomic<int> runs{0};  // posts with the handler threads

    static Asked askedOf(const HttpRequest &request);
    // The headers every answer carries, gzip when asked and worth it, and HEAD's answer without its body.
    static HttpAnswer finish(HttpAnswer answer, Asked asked);
};
