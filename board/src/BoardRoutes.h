#pragma once

#include <cstdint>
#include <string>

#include "BoardConfig.h"
#include "HttpService.h"
#include "RequestTarget.h"
#include "RunStore.h"
#include "RunSubmission.h"
#include "SiteFiles.h"
#include "VerifyPool.h"

// The board's answer to each whole request, made on a handler thread with
// the synchronous code below it: a run sent (RunSubmission), the JSON API
// on RunStore's reads, the board's pages and the browser build's site. It
// throws when the store does; the server turns that into a 503.
class BoardRoutes {
public:
    BoardRoutes(const BoardConfig &config, RunStore &store, VerifyPool &pool, RunSubmission &submissions);

    HttpAnswer answer(const HttpRequest &request);

    RunStore &store;
    VerifyPool &pool;
    RunSubmission &submissions;
    SiteFiles site;
    bool serveSite;

private:
    HttpAnswer get(const HttpRequest &request, const RequestTarget &target);
    HttpAnswer daily(const RequestTarget &target, const std::string &day);
    HttpAnswer days(const RequestTarget &target);
    HttpAnswer demo(const std::string &id);
    HttpAnswer health();
    HttpAnswer page(const RequestTarget &target, const std::string &day);
    HttpAnswer file(const HttpRequest &request, const RequestTarget &target);
};
