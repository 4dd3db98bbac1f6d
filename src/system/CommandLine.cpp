#include "system/CommandLine.h"

#include <charconv>
#include <cstring>

#include "system/WebAddress.h"

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
        } else if (std::strcmp(arg, "--play") == 0 || std::strcmp(arg, "--verify") == 0 ||
                   std::strcmp(arg, "--trace") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                line.error = std::string(arg) + " needs a file";
                return line;
            }
            std::string &file = arg[2] == 'p' ? line.play : arg[2] == 'v' ? line.verify : line.trace;
            file = argv[++i];
        } else if (std::strcmp(arg, "--board") == 0) {
            const std::string url = i + 1 < argc ? argv[++i] : "";
            if (!WebAddress::valid(url)) {
                line.error = "--board needs an http:// or https:// address, not \"" + url + "\"";
                return line;
            }
            line.board = url;
        } else if (std::strcmp(arg, "--daily") == 0) {
            line.daily = true;
        } else {
            line.error = std::string("unknown option \"") + arg + "\"";
            return line;
        }
    }
    const int modes = (line.startLevel > 0) + !line.play.empty() + !line.verify.empty() + line.daily;
    if (modes > 1) line.error = "--level, --play, --verify and --daily each start the game another way: give one";
    if (!line.trace.empty() && line.verify.empty()) line.error = "--trace goes with --verify";
    return line;
}

const char *CommandLine::versionText() { return "Tallowfen " TALLOWFEN_VERSION; }

const char *CommandLine::usage()
{
    return "Usage: tallowfen [--level L | --daily | --play FILE | --verify FILE [--trace OUT]] [--board URL]\n"
           "                 [--help] [--version]\n"
           "A top-down arena shooter. It finds its assets/, shaders/ and data/ in the working directory,\n"
           "near the program, or installed in ../share/tallowfen beside it.\n"
           "  --level L   start a new game at level L (L birds, L from 1 to 3000) instead of at the main menu\n"
           "  --daily     play today's daily run: the same levels for every player, one try a day counted\n"
           "  --play FILE       watch a recorded run (a demo) as it went; Space changes the speed, Escape leaves\n"
           "  --verify FILE     play a demo through without a window and check its result: exit 0 when it\n"
           "                    matches, 1 when it differs, 2 when the file cannot be played\n"
           "  --trace OUT       with --verify, write each update's state digest and level to OUT\n"
           "  --board URL send the day's counted daily runs to the board at URL (this time; `board = URL`\n"
           "              in the options file keeps one)\n"
           "  --help      show this text\n"
           "  --version   show the version\n"
           "Setting TALLOWFEN_FRAME_TIMES=FILE writes each frame's time and the process's CPU time to FILE on exit.\n";
}
