#include "BoardRoutes.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

#include "BoardPage.h"
#include "DayWindow.h"
#include "Escape.h"
#include "Gzip.h"
#include "HttpReply.h"
#include "QueryNumber.h"

namespace {

// Nothing on the board's pages runs or loads: a name that slipped through escaping still could not.
constexpr const char *kPagePolicy = "default-src 'none'; style-src 'unsafe-inline'";
// A site file this size or smaller, of a type that shrinks, is read whole so it can go in gzip.
constexpr std::uintmax_t kGzipFileBytes = 8u << 20;

// A query number in [min, max], `fallback` when absent; false when malformed.
bool queryNumber(const RequestTarget &target, const char *name, int64_t min, int64_t max, int64_t fallback,
                 int64_t *out)
{
    *out = fallback;
    return !target.has(name) || QueryNumber::parse(target.value(name), min, max, out);
}

// Whether `text` has the shape given: 'd' for a digit, any other character for itself.
bool shaped(std::string_view text, std::string_view shape)
{
    if (text.size() != shape.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (shape[i] == 'd' ? text[i] < '0' || text[i] > '9' : text[i] != shape[i]) return false;
    return true;
}

// What follows `prefix` in `path`, when it begins with it.
bool after(const std::string &path, std::string_view prefix, std::string *rest)
{
    if (!path.starts_with(prefix)) return false;
    *rest = path.substr(prefix.size());
    return true;
}

HttpReply::Message boardPage(std::string html)
{
    HttpReply::Message message = HttpReply::text(200, std::move(html), "text/html; charset=utf-8");
    message.set("Content-Security-Policy", kPagePolicy);
    return message;
}

}  // namespace

BoardRoutes::BoardRoutes(const BoardConfig &config, RunStore &store, VerifyPool &pool, RunSubmission &submissions)
    : store(store), pool(pool), submissions(submissions), site(config.site), serveSite(!config.site.empty())
{
}

HttpAnswer BoardRoutes::answer(const HttpRequest &request)
{
    const RequestTarget target(request.target());
    if (!target.valid) return HttpReply::error(400, "bad_request", "the request could not be read");
    if (request.method() == http::verb::post && target.path == "/api/runs") {
        const RunSubmission::Answer answer =
            submissions.handle(request.body(), std::string(request["Tallowfen-Key"]),
                               std::string(request["Tallowfen-Name"]), std::time(nullptr));
        HttpReply::Message message = HttpReply::json(unsigned(answer.status), answer.json);
        if (answer.retryLater) message.set(http::field::retry_after, "10");
        return message;
    }
    if (request.method() == http::verb::get || request.method() == http::verb::head) return get(request, target);
    return HttpReply::error(404, "not_found", "there is nothing here");
}

HttpAnswer BoardRoutes::get(const HttpRequest &request, const RequestTarget &target)
{
    const std::string &path = target.path;
    std::string rest;
    if (after(path, "/api/daily/", &rest) && shaped(rest, "dddd-dd-dd")) return daily(target, rest);
    if (path == "/api/days") return days(target);
    if (after(path, "/api/runs/", &rest) && rest.ends_with(".demo")) {
        const std::string id = rest.substr(0, rest.size() - 5);
        if (!id.empty() && id.size() <= 18 && shaped(id, std::string(id.size(), 'd'))) return demo(id);
    }
    if (path == "/api/health") return health();
    if (path == "/board") return HttpReply::redirect("/board/");
    if (path == "/board/") return page(target, DayWindow::today(std::time(nullptr)));
    if (path == "/board/about") return boardPage(BoardPage::about());
    if (after(path, "/board/", &rest) && shaped(rest, "dddd-dd-dd")) return page(target, rest);
    if (serveSite) return file(request, target);
    return HttpReply::error(404, "not_found", "there is nothing here");
}

HttpAnswer BoardRoutes::daily(const RequestTarget &target, const std::string &day)
{
    int64_t offset = 0, limit = 0, total = 0;
    if (!DayWindow::validDate(day)) return HttpReply::error(400, "bad_date", "no such date: " + day);
    if (!queryNumber(target, "offset", 0, 1000000000, 0, &offset) || !queryNumber(target, "limit", 1, 100, 50, &limit))
        return HttpReply::error(400, "bad_paging", "offset is 0 or more, limit 1 to 100");
    std::string json = "{\"day\":" + Escape::json(day) + ",\"entries\":[";
    int64_t rank = offset;
    for (const RunStore::Entry &e : store.day(day, offset, limit, &total)) {
        if (rank++ > offset) json += ",";
        json += RunSubmission::entryJson(e, rank, 0);
    }
    return HttpReply::json(200, json + "],\"offset\":" + std::to_string(offset) + ",\"limit\":" +
                                    std::to_string(limit) + ",\"total\":" + std::to_string(total) + "}");
}

HttpAnswer BoardRoutes::days(const RequestTarget &target)
{
    int64_t offset = 0, limit = 0;
    if (!queryNumber(target, "offset", 0, 1000000000, 0, &offset) || !queryNumber(target, "limit", 1, 100, 30, &limit))
        return HttpReply::error(400, "bad_paging", "offset is 0 or more, limit 1 to 100");
    std::string json = "{\"today\":" + Escape::json(DayWindow::today(std::time(nullptr))) + ",\"days\":[";
    bool first = true;
    for (const std::string &day : store.days(offset, limit))
        json += (first ? "" : ",") + Escape::json(day), first = false;
    return HttpReply::json(200, json + "]}");
}

HttpAnswer BoardRoutes::demo(const std::string &id)
{
    std::optional<std::string> bytes = store.demo(std::stoll(id));
    if (!bytes) return HttpReply::error(404, "not_found", "no run has that number");
    HttpReply::Message message = HttpReply::text(200, std::move(*bytes), "application/octet-stream");
    message.set(http::field::content_disposition, "attachment; filename=\"tallowfen-run-" + id + ".demo\"");
    return message;
}

HttpAnswer BoardRoutes::health()
{
    const bool ok = store.healthy();
    return HttpReply::json(ok ? 200 : 503, std::string("{\"status\":") + (ok ? "\"ok\"" : "\"database unreachable\"") +
                                               ",\"waiting\":" + std::to_string(pool.waiting()) +
                                               ",\"queue\":" + std::to_string(pool.queueLength) + "}");
}

HttpAnswer BoardRoutes::page(const RequestTarget &target, const std::string &day)
{
    int64_t pageNumber = 0;
    BoardPage board;
    if (!DayWindow::validDate(day) || !queryNumber(target, "page", 0, 10000000, 0, &pageNumber) ||
        !queryNumber(target, "days", 0, 10000000, 0, &board.daysFrom))
        return HttpReply::error(404, "not_found", "there is no such page of the board");
    board.day = day;
    board.today = DayWindow::today(std::time(nullptr));
    board.page = pageNumber;
    board.entries = store.day(day, pageNumber * BoardPage::kPageSize, BoardPage::kPageSize, &board.total);
    board.days = store.days(board.daysFrom, BoardPage::kDaysShown);
    return boardPage(board.render());
}

HttpAnswer BoardRoutes::file(const HttpRequest &request, const RequestTarget &target)
{
    const std::optional<SiteFiles::Found> found = site.find(target.path);
    if (!found) return HttpReply::error(404, "not_found", "there is nothing here");
    if (found->file.empty()) {  // a folder: its address ends in '/', so its page's links find its files
        // As the request wrote it (still encoded), from one '/': "//host/" would lead to another site.
        std::string_view raw = request.target();
        const std::size_t question = raw.find('?');
        std::string_view query = question == std::string_view::npos ? "" : raw.substr(question);
        raw = raw.substr(0, question);
        raw.remove_prefix(std::min(raw.find_first_not_of('/'), raw.size()));
        return HttpReply::redirect("/" + std::string(raw) + "/" + std::string(query));
    }
    if (Gzip::compressible(found->contentType) && found->size <= kGzipFileBytes) {
        std::ifstream in(found->file, std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        if (!in.bad()) return HttpReply::text(200, std::move(bytes), found->contentType);
    }
    http::response<http::file_body> message{http::status::ok, 11};
    boost::beast::error_code error;
    message.body().open(found->file.c_str(), boost::beast::file_mode::scan, error);
    if (error) return HttpReply::error(404, "not_found", "there is nothing here");
    message.set(http::field::content_type, found->contentType);
    message.prepare_payload();
    return message;
}
