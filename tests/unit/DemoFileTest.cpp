// The demo file: what it writes it reads back whole, and what it refuses it names in one line.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "demo/DemoFile.h"
#include "demo/DemoRecorder.h"
#include "demo/MarkCodec.h"

namespace {

// A run begun at level 3, kept in the shop, continued after a restart and
// lost at level 4, its tics at the limits of what a recording holds.
DemoFile Sample()
{
    using M = DemoMark;
    InputTic most, least;
    most.keyHeld = most.keyPressed = most.padHeld = most.padPressed = 0xff;
    most.padWalkX = most.padMenuX = -1, most.padWalkY = most.padMenuY = 1;
    most.pad = 31, most.padAimX = -127, most.padAimY = 127, most.click = 1;
    most.mouseX = -InputTic::kMaxPointer, most.mouseY = 0.1f, most.step = InputTic::kMaxStep;
    most.screenWidth = most.screenHeight = 65535;
    least = most;
    least.mouseX = 1e-3f, least.mouseY = -0.0f, least.step = 0.016666755f, least.padAimX = 127, least.padAimY = -127;
    least.screenWidth = least.screenHeight = 0;
    const auto mark = [](M::Kind kind, uint32_t at, int level) {
        M m;
        m.kind = kind, m.at = at, m.level = level, m.digest = ~0ull - at * 77 - uint64_t(kind);
        return m;
    };
    M start = mark(M::kLevelStart, 0, 3), resume = mark(M::kResume, 4, 4);
    start.seedRand = 0xffffffffu, start.seedRaylib = 1, start.screenshake = 1;
    start.animTick = 12, start.animFrame = 3, start.stuck = -7, start.shopUpgrade = 4;
    resume.restarted = 1, resume.run = "tallowfen run\nend\n";
    DemoFile d;
    d.game = "Tallowfen 1.0.0", d.platform = "bundled x86_64", d.start = 3, d.result = "death";
    d.level = 4, d.gold = 143, d.kills = 28, d.digest = ~0ull;
    d.tics = {InputTic{}, most, most, least, InputTic{}, least};
    d.marks = {start,
               mark(M::kLevelEnd, 4, 3),
               mark(M::kKept, 4, 3),
               resume,
               mark(M::kLevelStart, 4, 4),
               mark(M::kLevelEnd, 6, 4),
               mark(M::kDeath, 6, 4)};
    return d;
}

// `demo` encoded, then its header lines (before "body") and its body changed
// and summed again as a writer would; `tics`: what the header says it holds.
std::string Rewritten(const DemoFile &demo, const std::function<void(std::string &)> &head,
                      const std::function<void(std::string &)> &body, long long tics = -1)
{
    const std::string file = demo.encode();
    const std::size_t bodyLine = file.find("\nbody ") + 1, bodyAt = file.find("\nend\n") + 5;
    std::string text = file.substr(0, bodyLine), bytes = file.substr(bodyAt);
    head(text);
    body(bytes);
    text += "body " + std::to_string(bytes.size()) + " " +
            std::to_string(tics < 0 ? (long long)demo.tics.size() : tics) + "\n";
    const uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef *>(text.data()), text.size()),
                            reinterpret_cast<const Bytef *>(bytes.data()), bytes.size());
    char crcLine[32];
    std::snprintf(crcLine, sizeof crcLine, "crc %08lx\nend\n", crc);
    return text + crcLine + bytes;
}

// The sample's one chunk with its tics' coded stream changed, and its size put right.
std::function<void(std::string &)> CodedTics(const std::function<void(std::string &)> &change)
{
    return [change](std::string &chunk) {
        ByteWriter marks;
        for (const DemoMark &m : Sample().marks)
            MarkCodec::pack(m, &marks);
        const std::size_t streamAt = 12 + marks.out.size();
        std::string stream = chunk.substr(streamAt);
        change(stream);
        chunk = chunk.substr(0, streamAt) + stream;
        const uint32_t size = uint32_t(chunk.size() - 4);
        for (int i = 0; i < 4; ++i)
            chunk[std::size_t(i)] = char(size >> (8 * i));
    };
}

void Replace(std::string &text, const std::string &from, const std::string &to)
{
    text.replace(text.find(from), from.size(), to);
}

TEST(DemoFile, EncodesAndDecodesToTheSameRun)
{
    const auto nothing = [](DemoFile &) {};
    const std::vector<std::pair<const char *, std::function<void(DemoFile &)>>> cases = {
        {"every mark kind and extreme tics", nothing},
        {"no tics", [](DemoFile &d) { d.tics.clear(), d.marks.resize(1); }},
        {"a practice daily", [](DemoFile &d) { d.daily = "2026-12-08", d.practice = true, d.result = "kept"; }},
        {"largest header values", [](DemoFile &d) { d.level = d.gold = d.kills = 1000000000, d.digest = 0; }},
        {"saved mid-run: a chunk going on from the one before",
         [](DemoFile &d) {
             const DemoFile all = d;
             d.tics.resize(4), d.marks.resize(3), d.encode(), d.tics = all.tics, d.marks = all.marks;
         }},
    };
    for (const auto &[what, change] : cases) {
        DemoFile written = Sample(), read;
        change(written);
        std::string problem;
        EXPECT_TRUE(read.decode(written.encode(), &problem)) << what << ": " << problem;
        EXPECT_TRUE(read == written) << what;
    }
}

// The game plays on the pointer and the frame time as the library gave them,
// so a demo must give back their very bits, whatever the values.
TEST(DemoFile, KeepsThePointerAndTheStepToTheBit)
{
    const float values[] = {0.0f,         -0.0f,       1.0f,       -1.0f,     599.0f,     300.125f,
                            300.1f,       1e-40f,      -123456.5f, 999999.5f, 4096.0f,    -4096.0f,
                            0.016666755f, 1.0f / 3.0f, 1e6f,       -1e6f,     999999.875f};
    DemoFile written = Sample(), read;
    written.tics.clear();
    for (float x : values)
        for (float y : {values[0], values[6], values[12], x}) {  // a jump, a stay and a change at each
            InputTic tic;
            tic.mouseX = x, tic.mouseY = y, tic.step = std::fabs(x) <= InputTic::kMaxStep ? std::fabs(x) : 0.5f;
            written.tics.push_back(tic);
        }
    written.marks.resize(1);
    std::string problem;
    ASSERT_TRUE(read.decode(written.encode(), &problem)) << problem;
    ASSERT_EQ(read.tics.size(), written.tics.size());
    const auto bits = [](float v) { return std::bit_cast<uint32_t>(v); };
    for (std::size_t i = 0; i < read.tics.size(); ++i) {
        EXPECT_EQ(bits(read.tics[i].mouseX), bits(written.tics[i].mouseX)) << i;
        EXPECT_EQ(bits(read.tics[i].mouseY), bits(written.tics[i].mouseY)) << i;
        EXPECT_EQ(bits(read.tics[i].step), bits(written.tics[i].step)) << i;
    }
}

TEST(DemoFile, RefusesDamageInOneLineAndKeepsWhatItHad)
{
    const DemoFile sample = Sample();
    const std::string good = sample.encode();
    const auto keep = [](std::string &) {};
    const auto demoWith = [](const std::function<void(DemoFile &)> &change) {
        DemoFile d = Sample();
        change(d);
        return d.encode();
    };
    const auto rewritten = [&](const std::function<void(std::string &)> &body) {
        return Rewritten(sample, keep, body);
    };
    std::string flippedBody = good, flippedHead = good, huge = good;
    flippedBody[good.size() - 5] ^= 4;
    flippedHead[good.find("kills 28") + 7] ^= 1;
    Replace(huge, "\nbody ", "\nbody 99999");
    const char *damaged = "its body is damaged";
    const std::vector<std::pair<std::string, const char *>> cases = {
        {"", "it is not a Tallowfen demo"},
        {"\x89PNG\r\n", "it is not a Tallowfen demo"},
        {"tallowfen demo 1" + good.substr(16), "it is in demo format 1, and this game reads format 4"},
        {"tallowfen demo 3" + good.substr(16), "it is in demo format 3, and this game reads format 4"},
        {good.substr(0, 60), "its header is cut or damaged"},
        {good.substr(0, good.size() - 9), "it is cut short or has bytes added"},
        {flippedBody, "it is damaged (its check sum differs)"},
        {flippedHead, "it is damaged (its check sum differs)"},
        {Rewritten(
             sample, [](std::string &h) { Replace(h, "kills 28", "kills 9999999999999999999"); }, keep),
         "its header is damaged"},
        {Rewritten(
             sample, [](std::string &h) { Replace(h, "result death", "result won"); }, keep),
         "its header is damaged"},
        {demoWith([](DemoFile &d) { d.tics[2].padWalkX = 2; }), damaged},
        {demoWith([](DemoFile &d) { d.tics[2].padAimY = -128; }), damaged},
        {demoWith([](DemoFile &d) { d.tics[2].click = 2; }), damaged},
        {demoWith([](DemoFile &d) { d.tics[2].mouseX = std::nanf(""); }), damaged},
        {demoWith([](DemoFile &d) { d.tics[2].mouseY = 2e6f; }), damaged},
        {demoWith([](DemoFile &d) { d.tics[2].step = -1e-9f; }), damaged},
        {demoWith([](DemoFile &d) { d.tics[2].step = INFINITY; }), damaged},
        {demoWith([](DemoFile &d) { d.marks[1].at = 7; }), damaged},                  // past the last tic
        {demoWith([](DemoFile &d) { std::swap(d.marks[0], d.marks[1]); }), damaged},  // out of order
        {demoWith([](DemoFile &d) { d.marks[4].level = 5; }), damaged},               // skips level 4
        {demoWith([](DemoFile &d) { d.marks[6].level = 9; }), damaged},               // dies where it never was
        // Marks in an order no run makes, which playback could not take in turn.
        {demoWith([](DemoFile &d) { d.marks.erase(d.marks.begin() + 3); }), damaged},  // kept, then play
        {demoWith([](DemoFile &d) { d.marks.erase(d.marks.begin() + 5); }), damaged},  // dies mid-level
        {demoWith([](DemoFile &d) { d.marks.push_back(d.marks[4]); }), damaged},       // plays after its death
        {demoWith([](DemoFile &d) { d.marks[3].level = 5; }), damaged},                // continues past its end
        {demoWith([](DemoFile &d) { d.marks[0].animTick = 13; }), damaged},
        {rewritten([](std::string &b) { b[4] = b[5] = b[6] = char(0xff); }), damaged},  // 16 million tics
        {rewritten([](std::string &b) { b[12] = 9; }), damaged},                        // an unknown mark
        {rewritten([](std::string &b) { b[0] = char(b[0] + 1); }), damaged},            // a chunk past the end
        {rewritten([](std::string &b) { b += '\0'; }), damaged},
        {rewritten([](std::string &b) { b.pop_back(); }), damaged},
        {huge, "it is cut short or has bytes added"},
        {Rewritten(sample, keep, keep, 999999999), "it is too long to be a run"},
        {Rewritten(sample, keep, keep, 7), damaged},  // a tic more than the body holds
        {Rewritten(sample, keep, keep, 5), damaged},
        // The tics' coded stream cut, lengthened or begun wrong: bounds on every read.
        {rewritten(CodedTics([](std::string &t) { t.pop_back(); })), damaged},
        {rewritten(CodedTics([](std::string &t) { t.resize(t.size() / 2); })), damaged},
        {rewritten(CodedTics([](std::string &t) { t.clear(); })), damaged},
        {rewritten(CodedTics([](std::string &t) { t += '\0'; })), damaged},
        {rewritten(CodedTics([](std::string &t) { t[0] = 1; })), damaged},
        {rewritten(CodedTics([](std::string &t) { t = std::string(t.size(), char(0xff)); })), damaged},
    };
    for (const auto &[bytes, why] : cases) {
        DemoFile read = sample;
        std::string problem;
        EXPECT_FALSE(read.decode(bytes, &problem)) << why;
        EXPECT_EQ(problem, why);
        EXPECT_TRUE(read == sample) << why;
    }
}

// A new run thins the folder to the newest demos, its own among them, and
// the best finished run's wherever it falls; other files and daily runs'
// demos are no candidates for best.
TEST(DemoRecorder, ThinsTheFolderToTheNewestAndTheBest)
{
    namespace fs = std::filesystem;
    ScopedWorkDir dir(false);
    const auto put = [&](int second, int level, const char *daily) {
        DemoFile d = Sample();
        d.level = level, d.daily = daily;
        char name[64];
        std::snprintf(name, sizeof name, "demos/tallowfen-2026-01-01-10-%02d-%02d-level1.demo", second / 60,
                      second % 60);
        dir.write(name, d.encode());
        return std::string(name);
    };
    fs::create_directories(dir.path / "demos");
    const std::string best = put(0, 9, "-"), daily = put(1, 30, "2026-01-01");
    for (int second = 2; second < 60; ++second)
        put(second, 4, "-");
    dir.write("demos/notes.txt", "mine");
    DemoRecorder recorder;
    recorder.folder = (dir.path / "demos").string();
    recorder.begin(1, "-", false);
    recorder.mark(DemoMark{}, "unfinished", 1, 0, 0);
    recorder.finishWriting();
    std::vector<std::string> left;
    for (const auto &entry : fs::directory_iterator(dir.path / "demos"))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    ASSERT_EQ(left.size(), std::size_t(DemoRecorder::kKept + 2));  // notes.txt, the best, the newest
    EXPECT_EQ(left[0], "notes.txt");
    EXPECT_EQ("demos/" + left[1], best);
    EXPECT_EQ(left[2], "tallowfen-2026-01-01-10-00-11-level1.demo");  // the oldest of the newest 49
    EXPECT_EQ(fs::path(recorder.path).parent_path(), dir.path / "demos");
    EXPECT_TRUE(fs::exists(recorder.path));
    EXPECT_FALSE(fs::exists(dir.path / daily));
}

}  // namespace
