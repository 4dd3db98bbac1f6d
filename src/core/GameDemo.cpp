// Game's side of the demos: every run is recorded as the tic each update of
// play read and the marks where levels begin and end, and a demo is played
// back through the very same updates, fed its tics instead of the library's
// input. Recording and playback share each step below, so what one writes
// the other reads at the same point of the same update.
#include <iostream>
#include <iterator>
#include <random>

#include "core/Game.h"
#include "demo/StateDigest.h"

uint64_t Game::digest() const { return StateDigest::of(runner, inventory, upgrades); }

bool Game::stepRunInput()
{
    const bool inRun = state == STATE_INGAME || state == STATE_SHOP;
    if (!demo.playback) {
        // Outside a run the screens ask the library.
        if (inRun) InputTic::current = demo.sample(options.bindings);
        return true;
    }
    if (demo.playback->finished || demo.stalled(runner.level)) return false;
    // The player closed the game mid-run: the next program continued it.
    if (const DemoMark *mark = demo.playback->due(); mark != nullptr && mark->kind == DemoMark::kKept) {
        demoMark(DemoMark::kKept);
        state = STATE_MENU;
    }
    if (const DemoMark *mark = demo.playback->due(); mark != nullptr && mark->kind == DemoMark::kResume) {
        // NEW GAME, as the player clicked it on the menu. A program killed
        // mid-run left no mark of leaving it: the next one began at the menu all the same.
        state = STATE_INGAME;
        enterState(STATE_MENU);
        return false;
    }
    InputTic::current = demo.played(inRun);
    return InputTic::current != nullptr;
}

void Game::beginRun()
{
    // What screens carry from one run to the next starts clean, so a demo
    // needs nothing from before its run began; the shop's browsed upgrade
    // carries on, and each level start mark says which it is.
    shop.restart();
    runner.aimSwitch = AimSwitch{};
    const bool continuing = mainMenu.continueLevel > 0 && runner.level > 0;
    if (demo.playback) {
        if (demo.playback->due() == nullptr || demo.playback->due()->kind != DemoMark::kResume) return;
        const DemoMark mark = *demo.take(DemoMark::kResume);
        if (mark.restarted) {
            // A new program: a fresh game with the kept run put back.
            SavedRun run;
            runner.reset();
            upgrades.init();
            inventory.reset();
            if (!run.parse(mark.run, nullptr) || !KeptRun::apply(run, runner, inventory, upgrades, nullptr)) {
                demo.stop("the recording continues a kept run this game cannot read");
                return;
            }
        }
        demo.playback->check(mark, digest());
        return;
    }
    // Daily demos have a folder of their own: the best and the thinning of
    // the player's runs never see them.
    DemoRecorder &recorder = demo.recorder;
    if (!headless) recorder.folder = saves.file(dailyRun ? "demos/daily" : "demos");
    if (dailyRun) {
        recorder.begin(1, dailyDate, practice);
    } else if (!continuing) {
        recorder.begin(runner.level + 1, "-", false);
    } else {
        // Continued in the program that kept it, the run's demo is still here.
        const bool restarted = restoredAtStart || recorder.demo.result != "kept";
        if (restarted)
            recorder.reopen(runner.level + 1);
        else
            recorder.recording = true;
        DemoMark mark;
        mark.kind = DemoMark::kResume;
        mark.level = runner.level + 1;
        mark.restarted = restarted ? 1 : 0;
        mark.run = KeptRun::of(runner, inventory, upgrades).toText();
        mark.digest = digest();
        demo.record(std::move(mark), runner.runStats, runner.level);
    }
    restoredAtStart = false;
}

void Game::startLevel()
{
    DemoMark mark;
    if (demo.playback) {
        const DemoMark *taken = demo.take(DemoMark::kLevelStart);
        if (taken != nullptr) {
            mark = *taken;
            runner.nextSeeds = LevelSeeds{mark.seedRand, mark.seedRaylib};
            demo.playback->screenshake = mark.screenshake != 0;
            animTick = mark.animTick;
            animFrame = mark.animFrame;
            Enemy::stuckCounter = mark.stuck;
            if (mark.shopUpgrade >= upgrades.upgrades.size()) {
                demo.stop("the recording's shop shows an upgrade this game does not sell");
            } else {
                shop.select(upgrades, std::next(upgrades.upgrades.begin(), mark.shopUpgrade)->first);
            }
        }
        runner.startLevel(upgrades);
        if (taken != nullptr) demo.playback->check(mark, digest());
        return;
    }
    const unsigned level = unsigned(runner.level + 1);
    if (dailyRun) {
        // Every player's daily run draws the same levels that day.
        const DailyRun::Seeds seeds = DailyRun::seeds(dailyDate, int(level));
        runner.nextSeeds = LevelSeeds{seeds.rand, seeds.raylib};
    } else if (runner.fixedSeed) {
        // A seeded test or soak draws the same levels again.
        runner.nextSeeds = LevelSeeds{*runner.fixedSeed + level, (*runner.fixedSeed ^ 0x9e3779b9u) * 31u + level};
    } else {
        std::random_device device;
        runner.nextSeeds = LevelSeeds{device(), device()};
    }
    mark.kind = DemoMark::kLevelStart;
    mark.level = int(level);
    mark.seedRand = runner.nextSeeds->rand;
    mark.seedRaylib = runner.nextSeeds->raylib;
    mark.screenshake = settings.screenshake ? 1 : 0;
    mark.animTick = int8_t(animTick);
    mark.animFrame = int8_t(animFrame);
    mark.stuck = Enemy::stuckCounter;
    mark.shopUpgrade = uint8_t(std::distance(upgrades.upgrades.begin(), upgrades.upgrades.find(shop.selected.id)));
    runner.startLevel(upgrades);
    mark.digest = digest();
    demo.record(std::move(mark), runner.runStats, runner.level);
    countDaily();
}

void Game::demoMark(DemoMark::Kind kind)
{
    if (demo.playback) {
        if (const DemoMark *mark = demo.take(kind)) demo.playback->check(*mark, digest());
        return;
    }
    if (!demo.recorder.recording) return;
    DemoMark mark;
    mark.kind = kind;
    mark.level = runner.level;
    mark.digest = digest();
    demo.record(std::move(mark), runner.runStats, runner.level);
}

void Game::watch(DemoFile played)
{
    if (demo.recorder.recording) demoMark(DemoMark::kKept);
    dailyRun = practice = false;  // a demo watched from the death screen ends the daily run
    std::optional<DemoPlayback> &playback = demo.playback;
    playback.emplace();
    playback->demo = std::move(played);
    if (!headless) SetExitKey(KEY_NULL);  // Escape leaves the demo, not the game
    pause.resume();
    runner.reset();
    upgrades.init();
    inventory.reset();
    runner.level = playback->demo.start - 1;
    mainMenu.continueLevel = 0;
    state = STATE_MENU;
    // A demo that begins with a continued run starts at the menu, as it did.
    if (playback->due() != nullptr && playback->due()->kind == DemoMark::kResume) return;
    state = STATE_INGAME;
    enterState(STATE_MENU);
}

void Game::leavePlayback()
{
    if (!demo.playback) return;
    const GameState previous = state;
    demo.playback.reset();
    InputTic::current = nullptr;
    if (!headless) SetExitKey(KEY_ESCAPE);
    runner.reset();
    upgrades.init();
    inventory.reset();
    mainMenu.continueLevel = 0;
    if (!headless && keptRun.restore(runner, inventory, upgrades)) {
        mainMenu.continueLevel = runner.level + 1;
        restoredAtStart = true;
    }
    state = STATE_MENU;
    if (previous == STATE_INGAME) switchTrack(previous);
}

void Game::stepViewer()
{
    std::optional<DemoPlayback> &playback = demo.playback;
    if (!playback || headless) return;
    const int pad = GamepadInput::activePad();
    if (IsKeyPressed(KEY_SPACE) || (pad >= 0 && IsGamepadButtonPressed(pad, GAMEPAD_BUTTON_RIGHT_FACE_DOWN)))
        playback->nextSpeed();
    if (!IsKeyPressed(KEY_ESCAPE) && !playback->finished) return;
    const RunStats &stats = runner.runStats;
    std::cout << "Demo " << (playback->finished ? "ended" : "left") << " at level " << runner.level << ", gold "
              << stats.totalGold() + stats.gold << ", kills " << stats.totalKills() + stats.kills
              << (playback->differs.empty() ? "" : "; differs: " + playback->differs) << std::endl;
    leavePlayback();
}

void Game::stepUndrawn()
{
    if (state == STATE_INGAME) runner.stepDrawnState(animTick);
}
