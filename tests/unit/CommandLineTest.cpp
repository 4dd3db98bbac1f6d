// The command line: the options that start a game at a level or explain
// themselves, and the arguments refused with a reason.
#include <gtest/gtest.h>

#include <vector>

#include "system/CommandLine.h"

namespace {

TEST(CommandLine, OptionsAndRefusals)
{
    const struct {
        std::vector<const char *> args;
        bool help;
        int level;
        bool refused;
    } cases[] = {
        {{}, false, 0, false},
        {{"--help"}, true, 0, false},
        {{"-h"}, true, 0, false},
        {{"--level", "7"}, false, 7, false},
        {{"--level", "3000"}, false, 3000, false},
        {{"--level", "3001"}, false, 0, true},
        {{"--level", "100000"}, false, 0, true},
        {{"--level"}, false, 0, true},
        {{"--level", "0"}, false, 0, true},
        {{"--level", "-3"}, false, 0, true},
        {{"--level", "12abc"}, false, 0, true},
        {{"--level", "99999999999"}, false, 0, true},
        {{"--fullscreen"}, false, 0, true},
        {{"--board", "http://127.0.0.1:8090"}, false, 0, false},
        {{"--board", "http://"}, false, 0, true},
        {{"--board", "gopher://board.example"}, false, 0, true},
        {{"--board"}, false, 0, true},
    };
    for (const auto &c : cases) {
        std::vector<const char *> argv{"tallowfen"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const CommandLine line = CommandLine::parse(int(argv.size()), argv.data());
        const std::string shown = c.args.empty() ? "(none)" : c.args.back();
        EXPECT_EQ(line.help, c.help) << shown;
        EXPECT_EQ(line.startLevel, c.level) << shown;
        EXPECT_EQ(!line.error.empty(), c.refused) << shown << ": " << line.error;
    }
}

}  // namespace
