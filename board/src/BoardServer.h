#pragma once

#include <httplib.h>

#include <string>

#include "BoardConfig.h"
#include "RateLimiter.h"
#include "RunStore.h"
#include "RunSubmission.h"
#include "VerifyPool.h"

// The board's HTTP side on cpp-httplib: the JSON API under /api, the board's
// page under /board, and the browser build's site at /, behind a rate limit
// per address, a size limit on bodies and time limits on slow clients, with
// one log line per request.
class BoardServer {
public:
    BoardServer(const BoardConfig &config, RunStore &store, VerifyPool &pool);

    // Binds the address; the port chosen is then in `port`.
    bool bind();
    // Serves until stop().
    void serve();
    void stop() { http.stop(); }

    const BoardConfig &config;
    RunStore &store;
    VerifyPool &pool;
    RunSubmission submissions;
    RateLimiter posts;
    RateLimiter gets;
    httplib::Server http;
    int port = 0;

private:
    void routes();
    void logRequest(const httplib::Request &req, const httplib::Response &res);
    std::string client(const httplib::Request &req) const;
};
