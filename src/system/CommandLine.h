#pragma once

#include <string>

// What the command line asks for. The game needs no arguments; the options
// serve measurement and quick testing.
struct CommandLine {
    // Beyond this a level still starts quickly, but its birds' path searches
    // no longer fit in a frame. usage() states it too.
    static constexpr int kMaxStartLevel = 3000;

    bool help = false;
    bool version = false;
    int startLevel = 0;  // 0: start at the main menu
    bool daily = false;  // today's daily run
    std::string play;    // a demo to watch
    std::string verify;  // a demo to check without a window
    std::string trace;   // with verify: where each update's digest goes
    std::string board;   // a daily board to send counted tries to, over the options' one
    std::string error;   // non-empty when the arguments make no sense

    static CommandLine parse(int argc, const char *const *argv);
    static const char *usage();
    static const char *versionText();  // "Tallowfen X.Y.Z", from the build
};
