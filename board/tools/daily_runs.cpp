// Records genuine daily runs for the board's tests: the real Game in a hidden
// window, driven through input alone by a bot that stands still, shoots the
// birds of the first levels and then lets them win, so each run dies at its
// own level with its own gold and kills. Run it under the e2e harness:
//
//   board_daily_runs OUTPUT_FOLDER DAY:FIRE_UNTIL[p|s|c]...
//
// writes DAY-FIRE_UNTIL[p|s].demo for each: a daily run of DAY (today,
// yesterday or a date) whose bot fires in levels below FIRE_UNTIL; with "p"
// the run is a practice try; with "s" it is played in slow motion, as a
// cheat's game would play it (a step of 0.1 ms on 19 updates of 20, for its
// first 2,000), a true recording that verifies. With "c" the run is written as DAY-FIRE_UNTIL.demo
// and with three copies that play to the very same marks, as a cheat would
// send a downloaded run again: -shopkey (the shop's key pressed on the first
// update, where the shop cannot open), -pointer (the pointer moved during the
// death's freeze, when play reads it not) and -prefix (cut at level 2's start,
// unfinished).
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "BotFolder.h"
#include "core/Game.h"
#include "core/VirtualScreen.h"
#include "raylib.h"
#include "system/StepClock.h"
#include "tic/InputTic.h"

namespace {

namespace fs = std::filesystem;

constexpr float kScale = 450.0f / float(kVirtualHeight);
constexpr long kMaxUpdates = 60000;  // a bot that stalls gives up rather than hang

enum : unsigned {
    kKeyUp = 1,
    kKeyDown = 2,
    kMouseUp = 5,
    kMouseDown = 6,
    kMouseMove = 7
};

void event(unsigned type, int a, int b = 0) { PlayAutomationEvent(AutomationEvent{0, type, {a, b, 0, 0}}); }
void point(Vector2 at) { event(kMouseMove, int(at.x * kScale), int(at.y * kScale)); }

// One daily run of `date`, played to its death; false when the bot stalls.
// *prefix: the run as its demo stood when level 2 began.
bool playDaily(Game &game, const std::string &date, int fireUntil, bool practice, bool slow, DemoFile *prefix,
               RenderTexture2D &screen)
{
    // As DAILY RUN does, on the date asked for rather than today's.
    game.dailyDate = date;
    game.practice = practice;
    game.dailyRun = true;
    game.runner.reset();
    game.upgrades.init();
    game.inventory.reset();
    game.state = STATE_INGAME;
    game.enterState(STATE_MENU);
    bool held = false, pressed = false;
    for (long update = 0; update < kMaxUpdates && game.state != STATE_DEAD; ++update) {
        if (pressed) event(kKeyUp, KEY_Q), pressed = false;  // a press lasts one update
        if (held) event(kMouseUp, MOUSE_BUTTON_LEFT), held = false;
        GameRunner &r = game.runner;
        if (game.state == STATE_SHOP) {
            point({60, 30});  // Finish
            event(kMouseDown, MOUSE_BUTTON_LEFT);
            held = true;
        } else if (game.state == STATE_INGAME && r.levelFinished) {
            event(kKeyDown, KEY_Q);
            pressed = true;
        } else if (game.state == STATE_INGAME && !r.enemies.empty() && r.level < fireUntil) {
            const Enemy &e = r.enemies.front();
            point(GetWorldToScreen2D(Vector2{e.x + float(e.w) / 2.0f, e.y + float(e.h) / 2.0f}, r.camera));
            event(kMouseDown, MOUSE_BUTTON_LEFT);
            held = true;
        }
        // Slow motion for its first 2,000 updates is enough to be refused, and quick to record.
        StepClock::fixedSeconds = slow && update < 2000 && update % 20 != 19 ? 0.0001f : 1.0f / 60.0f;
        bool quit = false;
        game.update(&quit);
        const DemoFile &demo = game.demo.recorder.demo;
        if (prefix->marks.empty() && !demo.marks.empty() && demo.marks.back().kind == DemoMark::kLevelStart &&
            demo.marks.back().level == 2)
            *prefix = demo;
        BeginTextureMode(screen);
        game.draw();
        EndTextureMode();
        BeginDrawing();
        EndDrawing();
    }
    return game.state == STATE_DEAD;
}

// A demo with the same header, tics and marks, packed afresh when written
// (a copy would keep the chunks its original packed).
DemoFile afresh(const DemoFile &d)
{
    DemoFile out;
    out.game = d.game, out.platform = d.platform, out.start = d.start, out.daily = d.daily;
    out.practice = d.practice, out.result = d.result, out.level = d.level, out.gold = d.gold, out.kills = d.kills;
    out.digest = d.digest, out.tics = d.tics, out.marks = d.marks;
    return out;
}

// The copies of a run that "c" asks for, beside `stem`.
bool writeCopies(const DemoFile &run, const DemoFile &cut, const fs::path &stem)
{
    DemoFile shopKey = afresh(run), pointer = afresh(run), prefix = afresh(cut);
    const uint8_t shop = uint8_t(1u << ACTION_SHOP);
    shopKey.tics.front().keyHeld |= shop;
    shopKey.tics.front().keyPressed |= shop;
    // The death's freeze holds the level still for its last 500 updates.
    pointer.tics[pointer.tics.size() - 250].mouseX += 37.0f;
    std::string problem;
    using Copy = std::pair<const DemoFile *, const char *>;
    for (const auto &[copy, suffix] :
         {Copy{&shopKey, "-shopkey"}, Copy{&pointer, "-pointer"}, Copy{&prefix, "-prefix"}})
        if (copy->marks.empty() || !copy->save(stem.string() + suffix + ".demo", &problem)) {
            std::printf("daily_runs: no copy %s: %s\n", suffix, problem.empty() ? "no level 2" : problem.c_str());
            return false;
        }
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::puts("usage: board_daily_runs OUTPUT_FOLDER DAY:FIRE_UNTIL[p]...");
        return 2;
    }
    const fs::path out = fs::absolute(argv[1]);
    fs::create_directories(out);
    const fs::path dir = bot::EnterScratchFolder("daily");
    if (!bot::OpenHiddenWindow(600, 450, "Tallowfen daily runs", "daily_runs")) return 2;
    RenderTexture2D screen = LoadRenderTexture(kVirtualWidth, kVirtualHeight);
    int failed = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i], day = arg.substr(0, arg.find(':')), plan = arg.substr(day.size() + 1);
        const std::time_t now = std::time(nullptr);
        const std::string date = day == "today"       ? DailyRun::dateOf(now)
                                 : day == "yesterday" ? DailyRun::dateOf(now - 24 * 60 * 60)
                                                      : day;
        const bool practice = plan.back() == 'p', slow = plan.back() == 's', copies = plan.back() == 'c';
        const int fireUntil = std::stoi(plan);
        SaveFolder saves;
        saves.dir = (dir / ("save" + std::to_string(i))).string();
        saves.make();
        auto game = std::make_unique<Game>(saves, false);
        DemoFile prefix;
        if (!playDaily(*game, date, fireUntil, practice, slow, &prefix, screen)) {
            std::printf("daily_runs: %s stalled at level %d\n", plan.c_str(), game->runner.level);
            ++failed;
            continue;
        }
        game->demo.recorder.finishWriting();
        const DemoFile &demo = game->demo.recorder.demo;
        const std::string name = day + "-" + (copies ? plan.substr(0, plan.size() - 1) : plan);
        const fs::path kept = out / (name + ".demo");
        fs::copy_file(game->demo.recorder.path, kept, fs::copy_options::overwrite_existing);
        std::printf("daily_runs: %s: level %d, gold %d, kills %d, %zu updates\n", kept.filename().c_str(), demo.level,
                    demo.gold, demo.kills, demo.tics.size());
        if (copies && !writeCopies(demo, prefix, out / name)) ++failed;
    }
    UnloadRenderTexture(screen);
    CloseWindow();
    bot::LeaveScratchFolder(dir);
    return failed == 0 ? 0 : 1;
}
