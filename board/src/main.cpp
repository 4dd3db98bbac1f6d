// tallowfen-board: the daily run's board. Ranks the runs players send as
// demos by the numbers the game computes when it plays them again, and
// serves the board, its API and the browser build at one address.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <thread>

#include "BoardConfig.h"
#include "BoardServer.h"
#include "PgDatabase.h"
#include "RunStore.h"
#include "ScratchFolder.h"
#include "SqliteDatabase.h"
#include "StepRule.h"
#include "Verifier.h"
#include "VerifyPool.h"

namespace fs = std::filesystem;

int main(int argc, char **argv)
{
    BoardConfig config = BoardConfig::parse(argc, argv);
    if (!config.error.empty() || config.help) {
        if (!config.error.empty()) std::fprintf(stderr, "tallowfen-board: %s\n", config.error.c_str());
        std::fputs(BoardConfig::usage(), config.help ? stdout : stderr);
        return config.help ? 0 : 2;
    }
    if (!config.checkSteps.empty()) return StepRule::checkFiles(config.checkSteps) ? 0 : 1;
    std::error_code error;
    const std::string self = fs::read_symlink("/proc/self/exe", error).string();
    Verifier verifier;
    verifier.program = config.verifier.empty() ? BoardConfig::findVerifier(self) : config.verifier;
    if (verifier.program.empty() || access(verifier.program.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "tallowfen-board: no game to verify runs with; name it with --verifier\n");
        return 2;
    }
    // A server started as root runs its verifiers as a user of no account.
    if (geteuid() == 0) {
        std::string why;
        verifier.user = VerifierSandbox::User::find(config.verifierUser, &why);
        const std::string barrier = verifier.user ? verifier.user->barrier(verifier.program) : "";
        if (!verifier.user || !barrier.empty()) {
            if (why.empty())
                why = "the verifier's user " + verifier.user->name + " cannot run " + verifier.program + " (" +
                      barrier + " is closed to it)";
            std::fprintf(stderr, "tallowfen-board: %s\n", why.c_str());
            return 2;
        }
    }
    try {
        VerifierSandbox::filter();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "tallowfen-board: %s\n", e.what());
        return 1;
    }
    verifier.limits.cpuSeconds = config.verifyCpuSeconds;
    verifier.limits.wallSeconds = config.verifyWallSeconds;
    verifier.limits.memoryMegabytes = config.verifyMemoryMegabytes;
    if (config.workers == 0) config.workers = int(std::max(1u, std::thread::hardware_concurrency()));

    // SIGTERM and SIGINT are taken by a thread of their own, so no other thread is interrupted.
    signal(SIGPIPE, SIG_IGN);
    sigset_t stopping;
    sigemptyset(&stopping);
    sigaddset(&stopping, SIGTERM);
    sigaddset(&stopping, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopping, nullptr);

    std::unique_ptr<RunStore> store;
    std::string where;
    try {
        if (config.db.empty()) {
            fs::create_directories(config.data);  // SQLite makes its file, not the folder
            const fs::path file = fs::path(config.data) / "board.sqlite3";
            where = "SQLite " + file.string();
            store = std::make_unique<RunStore>(std::make_unique<SqliteDatabase>(file.string()));
        } else {
            where = "PostgreSQL";
            store = std::make_unique<RunStore>(std::make_unique<PgDatabase>(config.db));
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "tallowfen-board: %s\n", e.what());
        return 1;
    }
    ScratchFolder scratch;  // made once the port is this server's; outlives the verifiers
    VerifyPool pool(std::size_t(config.workers), std::size_t(config.queue),
                    [&verifier](const std::string &demo) { return verifier.verify(demo); });
    BoardServer server(config, *store, pool);
    if (!server.bind()) {
        std::fprintf(stderr, "tallowfen-board: cannot listen on %s port %d\n", config.host.c_str(), config.port);
        return 1;
    }
    // The demos being verified are written here, and nothing is kept. Each
    // server has its own folder, in one for this user's servers, outside the
    // data folder so the verifier's user need not reach that. A start that is
    // refused has touched none of them.
    const fs::path temp = fs::temp_directory_path(error);
    std::string why = error ? "no folder for temporary files: " + error.message() : "";
    if (!why.empty() || !scratch.make((temp / ("tallowfen-board-verifying-" + std::to_string(geteuid()))).string(),
                                      verifier.user ? &*verifier.user : nullptr, &why)) {
        std::fprintf(stderr, "tallowfen-board: %s\n", why.c_str());
        return 1;
    }
    verifier.scratch = scratch.path;
    std::thread waiter([&] {
        int signal = 0;
        sigwait(&stopping, &signal);
        server.stop();
    });
    std::printf("tallowfen-board: listening on http://%s:%d/ (%s; %d verifiers, queue %d; %s)\n", config.host.c_str(),
                server.port, where.c_str(), config.workers, config.queue, verifier.program.c_str());
    std::fflush(stdout);
    server.serve();
    // Stopped by a signal: the waiter has returned. Stopped otherwise: wake it.
    pthread_kill(waiter.native_handle(), SIGTERM);
    waiter.join();
    return 0;
}
