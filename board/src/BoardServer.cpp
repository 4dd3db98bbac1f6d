#include "BoardServer.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <optional>

#include "BoardPage.h"
#include "DayWindow.h"
#include "Escape.h"
#include "QueryNumber.h"

namespace {

using Clock = std::chrono::steady_clock;
// When this thread's request passed the rate limit; a request cut off
// before that (a slow client's) has no time to show.
thread_local std::optional<Clock::time_point> requestStart;

double secondsNow() { return std::chrono::duration<double>(Clock::now().time_since_epoch()).count(); }

void sendJson(httplib::Response &res, int status, const std::string &json)
{
    res.status = status;
    res.set_content(json, "application/json; charset=utf-8");
}

void sendError(httplib::Response &res, int status, const std::string &code, const std::string &reason)
{
    sendJson(res, status, RunSubmission::errorJson(code, reason));
}

// A query number in [min, max], `fallback` when absent; false when malformed.
bool queryNumber(const httplib::Request &req, const char *name, int64_t min, int64_t max, int64_t fallback,
                 int64_t *out)
{
    *out = fallback;
    return !req.has_param(name) || QueryNumber::parse(req.get_param_value(name), min, max, out);
}

// What the log shows of a text from the network: printable ASCII only.
std::string printable(const std::string &text, std::size_t max)
{
    std::string out;
    for (const char c : text.substr(0, max))
        out += c > 0x20 && c < 0x7f ? c : '?';
    return out.empty() ? "-" : out;  // a request cut off before its first line
}

// The library answers "br" at brotli's slowest setting, in every request: some
// 230 ms of a core for the page's 200 KB script, so an address well within
// its GET limit could keep the cores busy. Narrowed to gzip, the same answer
// costs 8 ms and 15 % more bytes. The library passes its own request, which
// is no constant, as const; only what it may answer in is changed.
void refuseBrotli(const httplib::Request &req)
{
    const std::string accepted = req.get_header_value("Accept-Encoding");
    if (accepted.find("br") == std::string::npos) return;
    auto &headers = const_cast<httplib::Request &>(req).headers;
    headers.erase("Accept-Encoding");
    if (accepted.find("gzip") != std::string::npos) headers.emplace("Accept-Encoding", "gzip");
}

}  // namespace

BoardServer::BoardServer(const BoardConfig &config, RunStore &store, VerifyPool &pool)
    : config(config), store(store), pool(pool), submissions{store, pool},
      posts(config.postsPerMinute / 60.0, config.postsPerMinute),
      gets(config.getsPerMinute / 60.0, config.getsPerMinute)
{
    // A request thread waits on its verification: enough of them for every
    // verification running or queued, and more for everything else.
    const std::size_t threads = std::size_t(config.workers + config.queue) + 8;
    http.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    http.set_payload_max_length(config.maxDemoBytes);
    http.set_read_timeout(config.clientTimeoutSeconds, 0);
    http.set_write_timeout(config.clientTimeoutSeconds, 0);
    http.set_keep_alive_timeout(5);
    http.set_keep_alive_max_count(20);
    // The library's default, SO_REUSEPORT, would let a second board bind the
    // port in use and take half its requests; SO_REUSEADDR only lets a board
    // restart while the last one's connections close.
    http.set_socket_options([](socket_t sock) {
        const int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    routes();
}

bool BoardServer::bind()
{
    port = config.port == 0 ? http.bind_to_any_port(config.host)
                            : (http.bind_to_port(config.host, config.port) ? config.port : -1);
    return port > 0;
}

void BoardServer::serve() { http.listen_after_bind(); }

std::string BoardServer::client(const httplib::Request &req) const
{
    return RateLimiter::clientAddress(req.remote_addr, req.get_header_value("X-Forwarded-For"), config.behindProxy);
}

void BoardServer::logRequest(const httplib::Request &req, const httplib::Response &res)
{
    using std::chrono::milliseconds;
    const std::string ms =
        requestStart
            ? std::to_string(std::chrono::duration_cast<milliseconds>(Clock::now() - *requestStart).count()) + "ms"
            : "-";
    requestStart.reset();
    char when[32];
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%SZ", &utc);
    std::printf("%s %s %s %s %d %zu %s\n", when, printable(client(req), 64).c_str(), printable(req.method, 16).c_str(),
                printable(req.path, 200).c_str(), res.status, res.body.size(), ms.c_str());
    std::fflush(stdout);
}

void BoardServer::routes()
{
    http.set_logger([this](const httplib::Request &req, const httplib::Response &res) { logRequest(req, res); });
    http.set_pre_routing_handler([this](const httplib::Request &req, httplib::Response &res) {
        requestStart = Clock::now();
        refuseBrotli(req);
        res.set_header("X-Content-Type-Options", "nosniff");
        RateLimiter &bucket = req.method == "POST" ? posts : gets;
        if (bucket.allow(client(req), secondsNow())) return httplib::Server::HandlerResponse::Unhandled;
        res.set_header("Retry-After", "60");
        sendError(res, 429, "too_many_requests", "too many requests from this address; wait a minute");
        return httplib::Server::HandlerResponse::Handled;
    });
    http.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request &, httplib::Response &res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        if (res.status == 413)
            sendError(res, 413, "too_large", "the demo is larger than the board takes");
        else if (res.status == 404)
            sendError(res, 404, "not_found", "there is nothing here");
        else
            sendError(res, res.status, "bad_request", "the request could not be read");
        return httplib::Server::HandlerResponse::Handled;
    }));
    http.set_exception_handler([](const httplib::Request &, httplib::Response &res, std::exception_ptr thrown) {
        std::string what = "unknown";
        try {
            std::rethrow_exception(thrown);
        } catch (const std::exception &e) {
            what = e.what();
        } catch (...) {
        }
        std::printf("error: %s\n", printable(what, 500).c_str());
        sendError(res, 503, "unavailable", "the board cannot answer now; try again later");
    });
    if (!config.site.empty()) http.set_mount_point("/", config.site);

    http.Post("/api/runs", [this](const httplib::Request &req, httplib::Response &res) {
        const RunSubmission::Answer answer =
            submissions.handle(req.body, req.get_header_value("Tallowfen-Key"), req.get_header_value("Tallowfen-Name"),
                               std::time(nullptr));
        if (answer.retryLater) res.set_header("Retry-After", "10");
        sendJson(res, answer.status, answer.json);
    });
    http.Get(R"(/api/daily/(\d{4}-\d{2}-\d{2}))", [this](const httplib::Request &req, httplib::Response &res) {
        const std::string day = req.matches[1];
        int64_t offset = 0, limit = 0, total = 0;
        if (!DayWindow::validDate(day)) return sendError(res, 400, "bad_date", "no such date: " + day);
        if (!queryNumber(req, "offset", 0, 1000000000, 0, &offset) || !queryNumber(req, "limit", 1, 100, 50, &limit))
            return sendError(res, 400, "bad_paging", "offset is 0 or more, limit 1 to 100");
        std::string json = "{\"day\":" + Escape::json(day) + ",\"entries\":[";
        int64_t rank = offset;
        for (const RunStore::Entry &e : store.day(day, offset, limit, &total)) {
            if (rank++ > offset) json += ",";
            json += RunSubmission::entryJson(e, rank, 0);
        }
        sendJson(res, 200,
                 json + "],\"offset\":" + std::to_string(offset) + ",\"limit\":" + std::to_string(limit) +
                     ",\"total\":" + std::to_string(total) + "}");
    });
    http.Get("/api/days", [this](const httplib::Request &req, httplib::Response &res) {
        int64_t offset = 0, limit = 0;
        if (!queryNumber(req, "offset", 0, 1000000000, 0, &offset) || !queryNumber(req, "limit", 1, 100, 30, &limit))
            return sendError(res, 400, "bad_paging", "offset is 0 or more, limit 1 to 100");
        std::string json = "{\"today\":" + Escape::json(DayWindow::today(std::time(nullptr))) + ",\"days\":[";
        bool first = true;
        for (const std::string &day : store.days(offset, limit))
            json += (first ? "" : ",") + Escape::json(day), first = false;
        sendJson(res, 200, json + "]}");
    });
    http.Get(R"(/api/runs/(\d{1,18})\.demo)", [this](const httplib::Request &req, httplib::Response &res) {
        const std::optional<std::string> demo = store.demo(std::stoll(req.matches[1]));
        if (!demo) return sendError(res, 404, "not_found", "no run has that number");
        res.set_header("Content-Disposition",
                       "attachment; filename=\"tallowfen-run-" + std::string(req.matches[1]) + ".demo\"");
        res.set_content(*demo, "application/octet-stream");
    });
    http.Get("/api/health", [this](const httplib::Request &, httplib::Response &res) {
        const bool ok = store.healthy();
        sendJson(res, ok ? 200 : 503,
                 std::string("{\"status\":") + (ok ? "\"ok\"" : "\"database unreachable\"") + ",\"waiting\":" +
                     std::to_string(pool.waiting()) + ",\"queue\":" + std::to_string(pool.queueLength) + "}");
    });
    const auto page = [this](const httplib::Request &req, httplib::Response &res, const std::string &day) {
        int64_t pageNumber = 0;
        BoardPage board;
        if (!DayWindow::validDate(day) || !queryNumber(req, "page", 0, 10000000, 0, &pageNumber) ||
            !queryNumber(req, "days", 0, 10000000, 0, &board.daysFrom))
            return sendError(res, 404, "not_found", "there is no such page of the board");
        board.day = day;
        board.today = DayWindow::today(std::time(nullptr));
        board.page = pageNumber;
        board.entries = store.day(day, pageNumber * BoardPage::kPageSize, BoardPage::kPageSize, &board.total);
        board.days = store.days(board.daysFrom, BoardPage::kDaysShown);
        // Nothing on the page runs or loads: a name that slipped through escaping still could not.
        res.set_header("Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'");
        res.set_content(board.render(), "text/html; charset=utf-8");
    };
    http.Get("/board", [](const httplib::Request &, httplib::Response &res) { res.set_redirect("/board/"); });
    http.Get("/board/", [page](const httplib::Request &req, httplib::Response &res) {
        page(req, res, DayWindow::today(std::time(nullptr)));
    });
    http.Get(R"(/board/(\d{4}-\d{2}-\d{2}))",
             [page](const httplib::Request &req, httplib::Response &res) { page(req, res, req.matches[1]); });
}
