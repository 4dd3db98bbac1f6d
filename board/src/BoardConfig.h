#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The board server's command line; every limit has a default that suits
// one small machine.
struct BoardConfig {
    std::string host = "127.0.0.1";
    int port = 8090;                  // 0: any free port (the log's first line names it)
    std::string data = "board-data";  // SQLite's file, and the demos being verified
    std::string db;                   // postgresql://... instead of SQLite
    std::string site;                 // the browser build's folder, served at /
    std::string verifier;             // the game; found beside this program when empty
    std::string verifierUser;         // whom a root server runs it as; empty: tallowfen-board, else nobody
    int workers = 0;                  // verifiers at once; 0: one a core
    int queue = 16;                   // runs waiting for a verifier before 429
    int verifyCpuSeconds = 30;
    int verifyWallSeconds = 60;
    long verifyMemoryMegabytes = 1024;  // 0: none
    std::size_t maxDemoBytes = 2u << 20;
    double postsPerMinute = 6;  // submissions an address may send, after a burst of as many
    double getsPerMinute = 600;
    int clientTimeoutSeconds = 10;  // for a whole request, headers and body, and again for its answer
    int idleTimeoutSeconds = 5;     // a kept-alive connection's wait for its next request
    int connectionsPerAddress = 32;
    std::size_t maxHeaderBytes = 16384;  // the request line and every header line together
    bool behindProxy = false;            // a reverse proxy on this machine names the client
    bool help = false;
    std::vector<std::string> checkSteps;  // demos whose time steps to check, and no server
    std::string error;

    static BoardConfig parse(int argc, const char *const *argv);
    static const char *usage();
    // The game beside `self` (a build tree's or an installed one), or "".
    static std::string findVerifier(const std::string &self);
};
