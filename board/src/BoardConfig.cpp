#include "BoardConfig.h"

#include <unistd.h>

#include <charconv>
#include <filesystem>

namespace {

bool number(const std::string &text, long long min, long long max, long long *out)
{
    long long value = 0;
    const char *end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || at != end || value < min || value > max) return false;
    *out = value;
    return true;
}

}  // namespace

const char *BoardConfig::usage()
{
    return "usage: tallowfen-board [options]\n"
           "  --host ADDRESS        listen on ADDRESS (127.0.0.1)\n"
           "  --port N              listen on port N, 0 for any free one (8090)\n"
           "  --data DIR            keep the SQLite database in DIR (board-data)\n"
           "  --db postgresql://... keep the runs in PostgreSQL instead\n"
           "  --site DIR            serve the browser build in DIR at /\n"
           "  --verifier PATH       the game that verifies runs (tallowfen beside this program)\n"
           "  --verifier-user NAME  run the verifier as NAME when started as root (tallowfen-board, else nobody)\n"
           "  --workers N           runs verified at once (one a core)\n"
           "  --queue N             runs waiting for verification before 429 (16)\n"
           "  --verify-cpu S        processor seconds a verification may take (30)\n"
           "  --verify-wall S       seconds a verification may take (60)\n"
           "  --verify-memory MB    address space of a verification, 0 for no limit (1024)\n"
           "  --max-demo-bytes N    the largest demo taken (2097152)\n"
           "  --posts-per-minute N  runs an address may send a minute (6)\n"
           "  --gets-per-minute N   other requests an address may make a minute (600)\n"
           "  --client-timeout S    seconds a client has to send a whole request, and to take its answer (10)\n"
           "  --idle-timeout S      seconds a kept-alive connection may wait for its next request (5)\n"
           "  --connections-per-address N  connections one address may hold open (32)\n"
           "  --max-header-bytes N  the largest request line and headers taken (16384)\n"
           "  --behind-proxy        limit the address a proxy on this machine names in X-Forwarded-For\n"
           "  --check-steps DEMO... check each demo's time steps as the board would, and serve nothing\n";
}

BoardConfig BoardConfig::parse(int argc, const char *const *argv)
{
    BoardConfig c;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h" || arg == "--behind-proxy") {
            (arg == "--behind-proxy" ? c.behindProxy : c.help) = true;
            continue;
        }
        if (arg == "--check-steps") {
            c.checkSteps.assign(argv + i + 1, argv + argc);
            if (c.checkSteps.empty()) c.error = "--check-steps needs a demo";
            return c;
        }
        if (i + 1 >= argc) {
            c.error = arg.rfind("--", 0) == 0 ? arg + " needs a value" : "unknown argument " + arg;
            return c;
        }
        const std::string value = argv[++i];
        long long n = 0;
        bool ok = true;
        if (arg == "--host")
            c.host = value;
        else if (arg == "--port")
            ok = number(value, 0, 65535, &n) && (c.port = int(n), true);
        else if (arg == "--data")
            c.data = value;
        else if (arg == "--db")
            ok = value.rfind("postgresql://", 0) == 0 || value.rfind("postgres://", 0) == 0, c.db = value;
        else if (arg == "--site")
            c.site = value;
        else if (arg == "--verifier")
            c.verifier = value;
        else if (arg == "--verifier-user")
            ok = !value.empty(), c.verifierUser = value;
        else if (arg == "--workers")
            ok = number(value, 0, 256, &n) && (c.workers = int(n), true);
        else if (arg == "--queue")
            ok = number(value, 0, 100000, &n) && (c.queue = int(n), true);
        else if (arg == "--verify-cpu")
            ok = number(value, 1, 3600, &n) && (c.verifyCpuSeconds = int(n), true);
        else if (arg == "--verify-wall")
            ok = number(value, 1, 3600, &n) && (c.verifyWallSeconds = int(n), true);
        else if (arg == "--verify-memory")
            ok = number(value, 0, 1 << 20, &n) && (c.verifyMemoryMegabytes = long(n), true);
        else if (arg == "--max-demo-bytes")
            ok = number(value, 1024, 8 << 20, &n) && (c.maxDemoBytes = std::size_t(n), true);
        else if (arg == "--posts-per-minute")
            ok = number(value, 1, 1000000, &n) && (c.postsPerMinute = double(n), true);
        else if (arg == "--gets-per-minute")
            ok = number(value, 1, 1000000, &n) && (c.getsPerMinute = double(n), true);
        else if (arg == "--client-timeout")
            ok = number(value, 1, 600, &n) && (c.clientTimeoutSeconds = int(n), true);
        else if (arg == "--idle-timeout")
            ok = number(value, 1, 600, &n) && (c.idleTimeoutSeconds = int(n), true);
        else if (arg == "--connections-per-address")
            ok = number(value, 1, 100000, &n) && (c.connectionsPerAddress = int(n), true);
        else if (arg == "--max-header-bytes")
            ok = number(value, 1024, 1 << 20, &n) && (c.maxHeaderBytes = std::size_t(n), true);
        else {
            c.error = "unknown argument " + arg;
            return c;
        }
        if (!ok) {
            c.error = "bad value for " + arg + ": " + value;
            return c;
        }
    }
    return c;
}

std::string BoardConfig::findVerifier(const std::string &self)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path dir = fs::path(self).parent_path();
    // A build tree keeps the game in src/ beside board/; a package in /usr/games.
    for (const fs::path &candidate : {dir / "tallowfen", dir / ".." / "src" / "tallowfen",
                                      dir / ".." / "games" / "tallowfen", fs::path("/usr/games/tallowfen")})
        if (fs::is_regular_file(candidate, error) && access(candidate.c_str(), X_OK) == 0)
            return fs::weakly_canonical(candidate, error).string();
    return "";
}
