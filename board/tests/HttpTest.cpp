// The board's HTTP side below the sockets: how a target and Accept-Encoding
// read, the handler threads' bounded queue, and the server's answers as the
// handler threads give them (503 when the store fails, HEAD, gzip).
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>

#include "BoardServer.h"
#include "Gzip.h"
#include "HandlerPool.h"
#include "RequestTarget.h"
#include "SqliteDatabase.h"

namespace {

namespace fs = std::filesystem;

TEST(RequestTarget, DecodesThePathAndTheQuery)
{
    struct Case {
        const char *target;
        bool valid;
        std::string path;
        const char *page;  // the first "page" parameter
    } cases[] = {
        {"/board/2026-12-08?page=2&days=30", true, "/board/2026-12-08", "2"},
        {"/a%20b/%2e%2e?page=a+b%26c", true, "/a b/..", "a b&c"},
        {"/x?page=1&page=2", true, "/x", "1"},
        {"/x?&&page&", true, "/x", ""},
        {"/%zz%4", true, "/%zz%4", ""},  // a stray '%' stands for itself
        {"/%41%4a", true, "/AJ", ""},
        {"/a+b", true, "/a+b", ""},  // '+' is a space in the query only
        {"/a%00b", false, std::string("/a\0b", 4), ""},
        {"http://elsewhere/", false, "http://elsewhere/", ""},
        {"", false, "", ""},
    };
    for (const Case &c : cases) {
        const RequestTarget target(c.target);
        EXPECT_EQ(target.valid, c.valid) << c.target;
        EXPECT_EQ(target.path, c.path) << c.target;
        EXPECT_EQ(target.value("page"), c.page) << c.target;
    }
}

TEST(Gzip, TakesGzipWhenAcceptedAndCompressesWhatShrinks)
{
    const std::pair<const char *, bool> asked[] = {
        {"gzip", true},      {"gzip, deflate, br", true}, {"br;q=1.0, GZIP;q=0.5", true},
        {"gzip;q=0", false}, {"gzip ; q=0.000", false},   {"br", false},
        {"", false},         {"x-gzip", false},
    };
    for (const auto &[header, taken] : asked)
        EXPECT_EQ(Gzip::accepted(header), taken) << header;
    EXPECT_TRUE(Gzip::compressible("text/html; charset=utf-8"));
    EXPECT_TRUE(Gzip::compressible("application/json; charset=utf-8"));
    EXPECT_FALSE(Gzip::compressible("image/png"));
    EXPECT_FALSE(Gzip::compressible("application/wasm"));
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += "var v" + std::to_string(i) + " = " + std::to_string(i * i) + ";\n";
    const std::string packed = Gzip::compress(text);
    std::string back(text.size(), '\0');
    z_stream z{};
    ASSERT_EQ(inflateInit2(&z, 15 + 16), Z_OK);
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(packed.data()));
    z.avail_in = uInt(packed.size());
    z.next_out = reinterpret_cast<Bytef *>(back.data());
    z.avail_out = uInt(back.size());
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    inflateEnd(&z);
    EXPECT_EQ(back, text);
    EXPECT_LT(packed.size(), text.size() / 3);
}

TEST(HandlerPool, RefusesAJobOnceItsQueueIsFull)
{
    HandlerPool pool(1, 2);
    std::promise<void> started, release;
    std::shared_future<void> released = release.get_future().share();
    std::mutex lock;
    std::condition_variable changed;
    int done = 0;
    const auto finish = [&] {
        std::lock_guard<std::mutex> hold(lock);
        ++done;
        changed.notify_all();
    };
    ASSERT_TRUE(pool.run([&] { started.set_value(), released.wait(), finish(); }));
    started.get_future().wait();  // the one thread is held
    EXPECT_TRUE(pool.run(finish));
    EXPECT_TRUE(pool.run(finish));
    EXPECT_FALSE(pool.run(finish));
    EXPECT_EQ(pool.waiting(), 2u);
    release.set_value();
    std::unique_lock<std::mutex> hold(lock);
    changed.wait(hold, [&] { return done == 3; });
    EXPECT_EQ(pool.waiting(), 0u);
    EXPECT_TRUE(pool.run(finish));
    changed.wait(hold, [&] { return done == 4; });
}

// SQLite that fails every statement once told to, as a lost disk or database
// would: the writer and every reader it opens share the one switch.
class FailingDatabase : public SqliteDatabase {
public:
    FailingDatabase(const std::string &path, std::shared_ptr<std::atomic<bool>> failing, Role role = kWriter)
        : SqliteDatabase(path, role), path(path), failing(std::move(failing))
    {
    }
    std::unique_ptr<Database> openReader() const override
    {
        return std::make_unique<FailingDatabase>(path, failing, kReader);
    }
    std::vector<Row> query(const std::string &sql, const std::vector<Param> &params) override
    {
        if (*failing) throw std::runtime_error("the disk is gone");
        return SqliteDatabase::query(sql, params);
    }

private:
    std::string path;
    std::shared_ptr<std::atomic<bool>> failing;
};

TEST(BoardServer, AnswersEachFormAskedAnd503WhenTheStoreFails)
{
    const fs::path dir = fs::temp_directory_path() / ("board-http-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const auto failing = std::make_shared<std::atomic<bool>>(false);
    RunStore store(std::make_unique<FailingDatabase>((dir / "board.sqlite3").string(), failing));
    VerifyPool verifiers(1, 1, [](const std::string &) { return VerifyOutput::failed("not here"); });
    BoardConfig config;
    config.workers = 1;
    BoardServer server(config, store, verifiers);
    const auto ask = [&](http::verb method, const char *target, const char *encoding) {
        HttpRequest request{method, target, 11};
        if (*encoding) request.set(http::field::accept_encoding, encoding);
        std::promise<HttpAnswer> answer;
        server.handle(request, "192.0.2.1", [&](HttpAnswer a) { answer.set_value(std::move(a)); });
        return answer.get_future().get();
    };
    struct Case {
        http::verb method;
        const char *target, *encoding;
        bool failing;
        unsigned status;
        const char *contentEncoding;
        bool body;
    } cases[] = {
        {http::verb::get, "/board/", "gzip, br", false, 200, "gzip", true},
        {http::verb::get, "/board/", "br", false, 200, "", true},
        {http::verb::get, "/api/health", "gzip", false, 200, "", true},  // too small to gain
        {http::verb::head, "/board/", "", false, 200, "", false},
        {http::verb::get, "/api/daily/2026-12-08", "", true, 503, "", true},
        {http::verb::get, "/board/", "", true, 503, "", true},
        {http::verb::put, "/api/runs", "", false, 404, "", true},
    };
    for (const Case &c : cases) {
        *failing = c.failing;
        const HttpAnswer answer = ask(c.method, c.target, c.encoding);
        std::visit(
            [&](const auto &message) {
                EXPECT_EQ(message.result_int(), c.status) << c.target;
                EXPECT_EQ(message[http::field::content_encoding], c.contentEncoding) << c.target;
                EXPECT_EQ(message["X-Content-Type-Options"], "nosniff") << c.target;
                EXPECT_NE(message[http::field::content_length], "0") << c.target;
            },
            answer);
        EXPECT_EQ(std::holds_alternative<http::response<http::empty_body>>(answer), !c.body) << c.target;
        if (c.status == 503) {
            EXPECT_EQ(std::get<0>(answer).body(),
                      R"({"error":"unavailable","reason":"the board cannot answer now; try again later"})");
        }
    }
    fs::remove_all(dir);
}

}  // namespace
