#include "system/CommandLine.h"

#include <charconv>
#include <cstring>

CommandLine CommandLine::parse(int argc, const char *const *argv)
{
    CommandLine line;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            line.help = true;
        } else if (std::strcmp(arg, "--version") == 0) {
            line.version = true;
        } else if (std::strcmp(arg, "--level") == 0) {
            const char *value = i + 1 < argc ? argv[++i] : "";
            int level = 0;
            const char *end = value + std::strlen(value);
            const auto [stop, failure] = std::from_chars(value, end, level);
            if (failure != std::errc() || stop != end || level < 1 || level > kMaxStartLevel) {
                line.error = "--level needs a whole number from 1 to " + std::to_string(kMaxStartLevel) + ", not \"" +
                             value + "\"";
                return line;
            }
            line.startLevel = level;
        } else {
            line.error = std::string("unknown option \"") + arg + "\"";
            return line;
        }
    }
    return line;
}

const char *CommandLine::versionText() { return "Tallowfen " TALLOWFEN_VERSION; }

const char *CommandLine::usage()
{
    return "Usage: tallowfen [--level L] [--help] [--version]\n"
           "A top-down arena shooter. It finds its assets/, shaders/ and data/ in the working directory,\n"
           "near the program, or installed in ../share/tallowfen beside it.\n"
           "  --level L   start a new game at level L (L birds, L from 1 to 3000) instead of at the main menu\n"
           "  --help      show this text\n"
           "  --version   show the version\n"
           "Setting TALLOWFEN_FRAME_TIMES=FILE writes each frame's time and the process's CPU time to FILE on exit.\n";
}
