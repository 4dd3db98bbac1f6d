// Records genuine daily runs for the board's tests: the real Game in a hidden
// window, driven through input alone by a bot that stands still, shoots the
// birds of the first levels and then lets them win, so each run dies at its
// own level with its own gold and kills. Run it under the e2e harness:
//
//   board_daily_runs OUTPUT_FOLDER DAY:FIRE_UNTIL[p][+HOLD]...
//
// writes DAY-FIRE_UNTIL[p][+HOLD].demo for each: a daily run of DAY (today,
// yesterday or a date) whose bot fires in levels below FIRE_UNTIL, holding
// its fire for the first HOLD updates of each level; with "p" the run is a
// practice try. Each HOLD plays the day differently, so a load test gets as
// many distinct genuine runs as it records.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

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
bool playDaily(Game &game, const std::string &date, int fireUntil, int hold, bool practice)
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
    int level = 0;
    long levelStart = 0;
    for (long update = 0; update < kMaxUpdates && game.state != STATE_DEAD; ++update) {
        if (pressed) event(kKeyUp, KEY_Q), pressed = false;  // a press lasts one update
        if (held) event(kMouseUp, MOUSE_BUTTON_LEFT), held = false;
        GameRunner &r = game.runner;
        if (r.level != level) level = r.level, levelStart = update;
        if (game.state == STATE_SHOP) {
            point({60, 30});  // Finish
            event(kMouseDown, MOUSE_BUTTON_LEFT);
            held = true;
        } else if (game.state == STATE_INGAME && r.levelFinished) {
            event(kKeyDown, KEY_Q);
            pressed = true;
        } else if (game.state == STATE_INGAME && !r.enemies.empty() && r.level < fireUntil &&
                   update - levelStart >= hold) {
            const Enemy &e = r.enemies.front();
            point(GetWorldToScreen2D(Vector2{e.x + float(e.w) / 2.0f, e.y + float(e.h) / 2.0f}, r.camera));
            event(kMouseDown, MOUSE_BUTTON_LEFT);
            held = true;
        }
        bool quit = false;
        game.update(&quit);
        // What the level's draw would change, as verification does it: the
        // same demo, and ten times faster than drawing through the software
        // GL. The empty frame still polls the input the bot sends.
        game.stepUndrawn();
        BeginDrawing();
        EndDrawing();
    }
    return game.state == STATE_DEAD;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::puts("usage: board_daily_runs OUTPUT_FOLDER DAY:FIRE_UNTIL[p][+HOLD]...");
        return 2;
    }
    const fs::path out = fs::absolute(argv[1]);
    fs::create_directories(out);
    const fs::path dir = bot::EnterScratchFolder("daily");
    if (!bot::OpenHiddenWindow(600, 450, "Tallowfen daily runs", "daily_runs")) return 2;
    StepClock::fixedSeconds = 1.0f / 60.0f;
    int failed = 0;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i], day = arg.substr(0, arg.find(':')), plan = arg.substr(day.size() + 1);
        const std::time_t now = std::time(nullptr);
        const std::string date = day == "today"       ? DailyRun::dateOf(now)
                                 : day == "yesterday" ? DailyRun::dateOf(now - 24 * 60 * 60)
                                                      : day;
        const std::size_t plus = plan.find('+');
        const bool practice = plan[std::min(plus, plan.size()) - 1] == 'p';
        const int fireUntil = std::stoi(plan);
        const int hold = plus == std::string::npos ? 0 : std::stoi(plan.substr(plus + 1));
        SaveFolder saves;
        saves.dir = (dir / ("save" + std::to_string(i))).string();
        saves.make();
        auto game = std::make_unique<Game>(saves, false);
        if (!playDaily(*game, date, fireUntil, hold, practice)) {
            std::printf("daily_runs: %s stalled at level %d\n", plan.c_str(), game->runner.level);
            ++failed;
            continue;
        }
        game->demo.recorder.finishWriting();
        const DemoFile &demo = game->demo.recorder.demo;
        const fs::path kept = out / (day + "-" + plan + ".demo");
        fs::copy_file(game->demo.recorder.path, kept, fs::copy_options::overwrite_existing);
        std::printf("daily_runs: %s: level %d, gold %d, kills %d\n", kept.filename().c_str(), demo.level, demo.gold,
                    demo.kills);
    }
    CloseWindow();
    bot::LeaveScratchFolder(dir);
    return failed == 0 ? 0 : 1;
}
