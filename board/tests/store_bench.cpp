// The store on a day of a million runs, on SQLite and on PostgreSQL: a
// post's database time (what RunSubmission asks of the store: precheck,
// add, rank and the day's count), the board's first page, a page 39,999
// deep, and the first page while another client pages deep. store_bench.py
// seeds the days (board_seed_day) and runs it; by hand:
//   BOARD_BENCH_DAY=2026-12-08 BOARD_BENCH_SQLITE=FILE BOARD_BENCH_POSTGRES=postgresql://... board_store_bench
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "BoardPage.h"
#include "DaySeeder.h"
#include "RunStore.h"

namespace {

// One seeded day of one database.
struct Board {
    std::unique_ptr<RunStore> store;
    std::string day;
    int64_t posted = 0;
};

std::string hexOf(std::mt19937_64 &random)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 64; ++i)
        out.push_back(digits[random() & 15]);
    return out;
}

void post(benchmark::State &state, Board *board)
{
    std::mt19937_64 random(uint64_t(getpid()) * 7919 + uint64_t(board->posted));
    std::bernoulli_distribution onward(0.65);
    for (auto _ : state) {
        state.PauseTiming();
        const std::string who = std::to_string(getpid()) + "-" + std::to_string(board->posted++);
        RunStore::Submission s;
        s.keyHash = hexOf(random);
        s.entry.day = board->day;
        s.entry.name = "b" + who.substr(who.size() > 15 ? who.size() - 15 : 0);
        s.entry.level = 1;
        while (s.entry.level < 30 && onward(random))
            ++s.entry.level;
        s.entry.gold = s.entry.level * 15 + int(random() % 40);
        s.entry.kills = s.entry.level * 4 + int(random() % 10);
        s.entry.submittedAt = 4'000'000'000'000 + board->posted;  // after the seeded day, as a post now would be
        for (int mark = 0; mark < 2 * s.entry.level; ++mark)
            s.links.push_back(hexOf(random));
        s.runHash = s.links.back();
        s.demo.resize(4096);
        for (char &c : s.demo)
            c = char(random());
        std::optional<RunStore::Entry> earlier;
        state.ResumeTiming();

        // Each part's time too, to see where a post's goes.
        using Clock = std::chrono::steady_clock;
        auto lap = [&, at = Clock::now()](const char *part) mutable {
            const auto now = Clock::now();
            state.counters[part] += std::chrono::duration<double, std::milli>(now - at).count();
            at = now;
        };
        if (board->store->precheck(s, &earlier).refused()) state.SkipWithError("the post was refused");
        lap("precheck_ms");
        if (board->store->add(s, &earlier).refused()) state.SkipWithError("the post was refused");
        lap("add_ms");
        benchmark::DoNotOptimize(board->store->rank(s.entry));
        lap("rank_ms");
        int64_t total = 0;
        board->store->day(s.entry.day, 0, 0, &total);
        lap("total_ms");
    }
    for (const char *part : {"precheck_ms", "add_ms", "rank_ms", "total_ms"})
        state.counters[part] = benchmark::Counter(state.counters[part], benchmark::Counter::kAvgIterations);
}

void page(benchmark::State &state, Board *board, int64_t number)
{
    int64_t total = 0;
    for (auto _ : state) {
        const auto entries = board->store->day(board->day, number * BoardPage::kPageSize, BoardPage::kPageSize, &total);
        if (entries.size() != std::size_t(BoardPage::kPageSize)) state.SkipWithError("the page is not full");
    }
    state.counters["runs"] = double(total);
}

void firstPageWhileDeepPaging(benchmark::State &state, Board *board)
{
    std::atomic<bool> done{false};
    std::thread deep([&] {
        int64_t total = 0;
        for (int n = 0; n < 1'000'000 && !done; ++n)
            board->store->day(board->day, 39'999 * BoardPage::kPageSize, BoardPage::kPageSize, &total);
    });
    page(state, board, 0);
    done = true;
    deep.join();
}

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    const char *day = std::getenv("BOARD_BENCH_DAY");
    std::vector<std::unique_ptr<Board>> boards;
    for (const auto &[name, variable] :
         {std::pair{"sqlite", "BOARD_BENCH_SQLITE"}, {"postgresql", "BOARD_BENCH_POSTGRES"}}) {
        const char *where = std::getenv(variable);
        if (!where || !day) continue;
        boards.push_back(std::make_unique<Board>(Board{std::make_unique<RunStore>(DaySeeder::open(where)), day}));
        Board *b = boards.back().get();
        const std::string prefix = std::string(name) + "/";
        benchmark::RegisterBenchmark((prefix + "post").c_str(), post, b)
            ->Iterations(300)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((prefix + "first_page").c_str(), page, b, 0)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((prefix + "page_39999").c_str(), page, b, 39'999)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((prefix + "first_page_while_paging_deep").c_str(), firstPageWhileDeepPaging, b)
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond);
    }
    if (boards.empty()) {
        std::fprintf(stderr,
                     "board_store_bench: name BOARD_BENCH_DAY and BOARD_BENCH_SQLITE or BOARD_BENCH_POSTGRES\n");
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
