// board_seed_day: fills a day of a board's database with synthetic runs
// through its real schema, for measuring a busy day (DaySeeder).
#include <chrono>
#include <cstdio>
#include <string>

#include "DaySeeder.h"
#include "DayWindow.h"

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: board_seed_day DATABASE DAY COUNT\n"
                             "  DATABASE  a SQLite file, or a postgresql:// address\n"
                             "  DAY       YYYY-MM-DD, a day that has no runs yet\n");
        return 2;
    }
    long long count = 0;
    try {
        count = std::stoll(argv[3]);
    } catch (const std::exception &) {
    }
    if (!DayWindow::validDate(argv[2]) || count < 1 || count > 100'000'000) {
        std::fprintf(stderr, "board_seed_day: DAY is YYYY-MM-DD and COUNT 1 to 100000000\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    try {
        auto db = DaySeeder::open(argv[1]);
        DaySeeder::seed(*db, argv[2], count);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "board_seed_day: %s\n", e.what());
        return 1;
    }
    std::printf("board_seed_day: %lld runs on %s in %.1f s\n", count, argv[2],
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}
