// The game's side of the daily board: the answers it reads, the addresses and
// names it takes, the key it keeps, the field that asks the name, and which
// kept tries it sends.
#include <gtest/gtest.h>

#include <filesystem>
#include <chrono>
#include <fstream>
#include <thread>

#include "TestSupport.h"
#include "demo/DemoFile.h"
#include "options/Options.h"
#include "submit/BoardAnswer.h"
#include "submit/BoardKey.h"
#include "submit/BoardSender.h"
#include "ui/NameField.h"

namespace {

namespace fs = std::filesystem;

TEST(BoardAnswer, SaysWhatBecameOfTheRunAndNeverTrustsTheBody)
{
    const struct {
        int status;
        const char *body;
        BoardAnswer::Outcome outcome;
        const char *line;
    } cases[] = {
        {201, R"({"id":4,"rank":12,"of":340})", BoardAnswer::kRanked, "Board: rank 12 of 340"},
        {200, R"({"rank":1,"of":1})", BoardAnswer::kRanked, "Board: rank 1 of 1"},
        {201, "garbage", BoardAnswer::kRanked, "Board: sent"},
        {201, R"({"rank":"1","of":2})", BoardAnswer::kRanked, "Board: sent"},
        {201, R"({"rank":5,"of":2})", BoardAnswer::kRanked, "Board: sent"},
        {201, R"({"rank":-1,"of":2})", BoardAnswer::kRanked, "Board: sent"},
        {409, R"({"error":"name_taken","reason":"x"})", BoardAnswer::kRename, "Board: not sent: that name is another player's"},
        {400, R"({"error":"name_invalid"})", BoardAnswer::kRename, "Board: not sent: the board refused that name"},
        {422, R"({"error":"differs","reason":"differs: at update 3"})", BoardAnswer::kRefused,
         "Board: not sent: it did not verify"},
        {409, R"({"error":"day_counted"})", BoardAnswer::kRefused, "Board: not sent: your run of that day is already in"},
        {429, R"({"error":"busy"})", BoardAnswer::kLater, "Board: busy; sent at the next start"},
        {429, "", BoardAnswer::kLater, "Board: unreachable; sent at the next start"},
        {503, "<html>", BoardAnswer::kLater, "Board: unreachable; sent at the next start"},
        {0, "", BoardAnswer::kLater, "Board: unreachable; sent at the next start"},
        {404, "<html>not here</html>", BoardAnswer::kRefused, "Board: not sent: refused (404)"},
        {418, R"({"error":"<script>"})", BoardAnswer::kRefused, "Board: not sent: refused (418)"},
    };
    for (const auto &c : cases) {
        const BoardAnswer a = BoardAnswer::of(c.status, c.body);
        EXPECT_EQ(a.outcome, c.outcome) << c.status << " " << c.body;
        EXPECT_EQ(a.line, c.line) << c.status << " " << c.body;
    }
}

TEST(BoardAddress, OnlyWebAddressesWithAHostArePostedTo)
{
    const std::pair<const char *, const char *> cases[] = {
        {"http://127.0.0.1:8090", "http://127.0.0.1:8090/api/runs"},
        {"https://board.example/", "https://board.example/api/runs"},
        {"https://board.example/daily//", "https://board.example/daily/api/runs"},
        {"", ""},
        {"http://", ""},
        {"http:///path", ""},
        {"ftp://board.example", ""},
        {"file:///etc/passwd", ""},
        {"http://board example", ""},
        {"http://board.example/\n", ""},
    };
    for (const auto &[board, post] : cases) EXPECT_EQ(BoardSender::postUrl(board), post) << board;
}

TEST(BoardOptions, TheBoardAndTheNameAreReadCheckedAndWrittenBack)
{
    Options o;
    std::string problem;
    o.parse("board = https://board.example\nboard_name =  Tide  \n", &problem);
    EXPECT_EQ(problem, "");
    EXPECT_EQ(o.board, "https://board.example");
    EXPECT_EQ(o.boardName, "Tide");
    Options again;
    again.parse(o.text(), &problem);
    EXPECT_EQ(again.board, "https://board.example");
    EXPECT_EQ(again.boardName, "Tide");

    const std::pair<const char *, const char *> bad[] = {
        {"board = gopher://x\n", "board must be an http:// or https:// address"},
        {"board = http://\n", "board must be an http:// or https:// address"},
        {"board_name = seventeen letters!\n", "board_name must be 1 to 16 characters"},
    };
    for (const auto &[text, words] : bad) {
        Options damaged;
        problem.clear();
        damaged.parse(text, &problem);
        EXPECT_NE(problem.find(words), std::string::npos) << problem;
        EXPECT_EQ(damaged.board + damaged.boardName, "");
        EXPECT_EQ(damaged.text().find("board"), std::string::npos) << "nothing set, nothing written";
    }
}

TEST(BoardOptions, NamesAreOneToSixteenPrintableCharactersOfUtf8)
{
    const std::pair<std::string, std::string> cases[] = {
        {" Tide ", "Tide"},      {"Wïnde", "Wïnde"},        {"ÅÅÅÅÅÅÅÅÅÅÅÅÅÅÅÅ", "ÅÅÅÅÅÅÅÅÅÅÅÅÅÅÅÅ"},
        {"ÅÅÅÅÅÅÅÅÅÅÅÅÅÅÅÅÅ", ""}, {"   ", ""},             {"a\x01b", ""},
        {"bad\xff", ""},          {"cut\xc3", ""},          {"'; DROP TABLE--", "'; DROP TABLE--"},
        {"<script>", "<script>"},
    };
    for (const auto &[raw, clean] : cases) EXPECT_EQ(Options::cleanBoardName(raw), clean) << raw;
}

TEST(NameFieldTyping, TakesPrintableCharactersUpToSixteenAndErasesWholeOnes)
{
    NameField field;
    for (int c : {int('W'), 0x00EF, 0x0007, 0x0085, 0xD800, 0x1F980, int('n')}) field.type(c);
    EXPECT_EQ(field.text, "W\xc3\xaf\xf0\x9f\xa6\x80n");
    field.erase();
    field.erase();
    EXPECT_EQ(field.text, "W\xc3\xaf");
    for (int i = 0; i < 20; ++i) field.type('x');
    EXPECT_EQ(field.characters(), NameField::kMaxCharacters);
}

TEST(BoardKeyFile, IsMadeOnceKeptPrivateAndReplacedWhenDamaged)
{
    ScopedWorkDir dir;
    const std::string path = (dir.path / "data" / "board_key").string();
    std::string problem;
    const std::string key = BoardKey::loadOrMake(path, &problem);
    EXPECT_TRUE(BoardKey::valid(key)) << problem;
    EXPECT_EQ(BoardKey::loadOrMake(path, &problem), key);
#ifndef _WIN32
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
#endif
    std::ofstream(path) << "not a key";
    const std::string fresh = BoardKey::loadOrMake(path, &problem);
    EXPECT_TRUE(BoardKey::valid(fresh));
    EXPECT_NE(fresh, key);
}

// A counted or practice daily demo of `day` in the folder, as the game leaves it.
void keepDemo(const fs::path &folder, const std::string &file, const std::string &day, bool practice,
              const std::string &result)
{
    DemoFile d;
    d.game = DemoFile::thisGame();
    d.platform = DemoFile::thisPlatform();
    d.daily = day;
    d.practice = practice;
    d.result = result;
    std::string problem;
    ASSERT_TRUE(d.save((folder / file).string(), &problem)) << problem;
}

TEST(BoardSending, SendsOnlyTheDaysFinishedCountedTriesNotYetAnsweredAndKeepsThemWhenTheBoardIsDown)
{
    ScopedWorkDir dir;
    const fs::path saves = dir.path / "data", daily = saves / "demos" / "daily";
    fs::create_directories(daily);
    keepDemo(daily, "1.demo", "2026-12-08", false, "death");  // yesterday's: sent
    keepDemo(daily, "2.demo", "2026-12-09", true, "death");   // practice
    keepDemo(daily, "3.demo", "2026-12-07", false, "death");  // too old
    keepDemo(daily, "4.demo", "2026-12-09", false, "unfinished");
    keepDemo(daily, "5.demo", "2026-12-09", false, "kept");   // answered before
    keepDemo(daily, "6.demo", "2026-12-09", false, "death");  // today's
    // As a Windows editor leaves it, in CRLF.
    const std::string record = "tallowfen board runs\r\n5.demo\tBoard: rank 2 of 9\r\n";
    std::ofstream(saves / "board_runs", std::ios::binary) << record;

    BoardSender sender;
    // Nothing listens on port 9 of this machine: the board is down.
    sender.start("http://127.0.0.1:9", "Tide", saves.string(), "2026-12-09", "2026-12-08");
    EXPECT_EQ(sender.lineFor("5.demo"), "Board: rank 2 of 9");
    EXPECT_EQ(sender.lineFor("1.demo"), "Board: not sent yet");
    EXPECT_EQ(sender.lineFor("6.demo"), "Board: not sent yet");
    for (const char *skipped : {"2.demo", "3.demo", "4.demo"}) EXPECT_EQ(sender.lineFor(skipped), "") << skipped;
    sender.update();
    EXPECT_EQ(sender.lineFor("1.demo"), "Board: sending");
    // Frames go on until the post is done (a thread of its own on Windows); the cap only stops a hang.
    for (int frame = 0; frame < 60000 && !sender.idle(); ++frame) {
        sender.update();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    sender.update();
    EXPECT_EQ(sender.lineFor("1.demo"), "Board: unreachable; sent at the next start");
    EXPECT_EQ(sender.lineFor("6.demo"), "Board: not sent yet") << "the rest wait for the next start";
    std::ifstream kept(saves / "board_runs", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), record) << "nothing answered, nothing written";
}

TEST(BoardSending, AsksForANameBeforeSendingAndSkippedSendsNothing)
{
    ScopedWorkDir dir;
    const fs::path saves = dir.path / "data";
    fs::create_directories(saves / "demos" / "daily");
    keepDemo(saves / "demos" / "daily", "1.demo", "2026-12-09", false, "death");
    BoardSender sender;
    sender.start("http://127.0.0.1:9", "", saves.string(), "2026-12-09", "2026-12-08");
    sender.update();
    EXPECT_TRUE(sender.wantsName);
    sender.named("");
    sender.update();
    EXPECT_FALSE(sender.wantsName);
    EXPECT_TRUE(sender.idle());
    EXPECT_EQ(sender.todaysLine(), "Board: not sent, no name given");
    EXPECT_FALSE(fs::exists(saves / "board_key")) << "no key is made for a run never sent";
}

}  // namespace
