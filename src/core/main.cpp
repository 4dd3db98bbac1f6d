// Tallowfen: a small top-down arena shooter. main opens the window and the
// audio device, builds the Game and runs the frame loop: update, draw into
// the 320x240 virtual screen, then scale that into the window.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <system_error>

#include "core/Game.h"
#include "core/VirtualScreen.h"
#include "demo/DemoFile.h"
#include "mix/MixLimiter.h"
#include "raylib.h"
#include "system/BrowserPage.h"
#include "system/CommandLine.h"
#include "system/DisplayProbe.h"
#include "system/EventStream.h"
#include "system/FrameTimes.h"
#include "system/ProcessSetup.h"
#include "system/RootSearch.h"
#include "system/SafeFile.h"
#include "system/UserFolders.h"
#include "window/WindowMode.h"

namespace {

// Reads the demo that --verify or --play names; a file that cannot be played
// is said in one line.
bool LoadDemo(const std::string &path, const char *verb, DemoFile *demo)
{
    std::string problem;
    if (demo->load(path, &problem)) return true;
    std::printf("tallowfen: cannot %s %s: %s\n", verb, path.c_str(), problem.c_str());
    return false;
}

// --verify: plays the demo through the game's updates with no window, audio
// device or file of the player's, and checks what it comes to against what
// the file says it came to.
int VerifyDemo(const CommandLine &options)
{
    DemoFile demo;
    if (!LoadDemo(options.verify, "verify", &demo)) return 2;
    if (demo.game != DemoFile::thisGame())
        std::printf("%s was recorded by %s; this is %s\n", options.verify.c_str(), demo.game.c_str(),
                    DemoFile::thisGame().c_str());
    // The game's own lines (the catalogue, the birds' tiles) would bury the result.
    std::streambuf *const shown = std::cout.rdbuf(nullptr);
    Game game(SaveFolder{}, false, true);
    game.watch(std::move(demo));
    // Its header and marks, to compare with: playing reads them and changes nothing, so no copy of its tics.
    const DemoFile &recorded = game.demo.playback->demo;
    std::string trace, problem;
    while (!game.demo.playback->finished) {
        const std::size_t before = game.demo.playback->nextTic;
        bool quit = false;
        game.update(&quit);
        game.stepUndrawn();
        if (!options.trace.empty() && game.demo.playback->nextTic != before)
            trace += std::to_string(before) + " " + DigestText(game.digest()) + " " +
                     std::to_string(game.runner.level) + "\n";
    }
    std::cout.rdbuf(shown);
    if (!options.trace.empty() && !WriteFileSafely(options.trace.c_str(), trace, &problem))
        std::printf("tallowfen: could not write the trace to %s: %s\n", options.trace.c_str(), problem.c_str());
    const RunStats &stats = game.runner.runStats;
    const int gold = stats.totalGold() + stats.gold, kills = stats.totalKills() + stats.kills;
    std::printf("level %d, gold %d, kills %d, digest %s\n", game.runner.level, gold, kills,
                DigestText(game.demo.playback->lastDigest).c_str());
    const std::string differs = DemoSession::verdict(recorded, *game.demo.playback, game.runner.level, gold, kills);
    if (!differs.empty()) {
        std::printf("differs: %s\n", differs.c_str());
        return 1;
    }
    std::puts("matches the recording");
    return 0;
}

// What the tests wait on: the screen, the level, the pause and each click
// where it lands, after the update.
void ReportEvents(EventStream &events, const Game &game)
{
    if (!events.enabled()) return;
    events.change("state", game.state);
    events.change("level", game.runner.level);
    events.change("paused", game.pause.paused);
    if (IsMouseButtonPressed(MOUSE_BUTTON_LEFT)) {
        const Vector2 at = WindowToVirtual(GetMousePosition(), GetScreenWidth(), GetScreenHeight());
        events.line("click " + std::to_string(int(at.x)) + " " + std::to_string(int(at.y)));
    }
}

// One frame: the update (several for a demo watched fast, the draw's changes
// to the level made for those it skips), the draw into the virtual screen,
// and the virtual screen letterboxed into the window with what lies over it.
// The frame's count goes to the events once it is shown.
void RunFrame(Game &game, RenderTexture2D virtualScreen, const std::string &windowPath, bool *quit, FrameTimes &times,
              EventStream &events, long frame)
{
    // Before the update, which may start a level and clear the replay.
    game.replay.readNotedPicture(virtualScreen);
    // The game's own work: update and draw, not the read-back above, which waits on the GPU.
    const double workStart = GetTime();
    WindowMode::update(windowPath.c_str());
    ClearBackground(WHITE);
    const int updates = game.demo.playback ? game.demo.playback->speed : 1;
    for (int u = 0; u < updates; ++u) {
        if (u > 0) game.stepUndrawn();
        game.update(quit);
    }
    game.stepViewer();
    ReportEvents(events, game);
    BeginTextureMode(virtualScreen);
    ClearBackground(BLACK);
    game.draw();
    EndTextureMode();
    game.replay.afterDraw(virtualScreen, game.recordingLevel(), game.pause.paused, game.runner.level);
    BeginDrawing();
    DrawRenderTexture(virtualScreen, kVirtualWidth, kVirtualHeight);
    game.pause.drawOverWindow(game.state);
    game.replay.drawOverWindow();
    if (game.demo.playback) game.demo.playback->drawOverWindow();
    DrawFPS(0, 0);
    const double work = GetTime() - workStart;
    EndDrawing();
    times.record(GetFrameTime(), work);
    events.change("frame", frame);
}

// The window at 60 frames a second, as it was left, and the audio device with
// the limiter on its mix before the first track starts. False: no window.
bool OpenWindowAndAudio(const std::string &windowPath, MixLimiter &limiter, const char *mixRecord)
{
    InitWindow(600, 450, "Tallowfen");
    if (!IsWindowReady()) return false;
    SetTargetFPS(60);
    SetWindowState(FLAG_WINDOW_RESIZABLE);
    WindowMode::applyRemembered(windowPath.c_str());
    InitAudioDevice();
    // TALLOWFEN_MIX_RECORD names a file for the gain reduction, to measure how hard it works in play.
    if (mixRecord != nullptr && *mixRecord != '\0') limiter.keepRecord(600.0);
    if (IsAudioDeviceReady()) limiter.attach();
    return true;
}

// --help, --version and a command line that cannot be read answer at once.
std::optional<int> AnswerAtOnce(const CommandLine &options)
{
    if (!options.error.empty()) {
        std::printf("tallowfen: %s\n%s", options.error.c_str(), CommandLine::usage());
        return 2;
    }
    if (options.help) std::fputs(CommandLine::usage(), stdout);
    if (options.version) std::puts(CommandLine::versionText());
    return options.help || options.version ? std::optional<int>(0) : std::nullopt;
}

// The game's files are found wherever it was started from, and it works among them.
std::optional<RootSearch::Found> EnterGameFolder()
{
    std::error_code cwdError;
    const std::string workingDir = RootSearch::textOf(std::filesystem::current_path(cwdError));
    std::optional<RootSearch::Found> root = RootSearch::find(
        workingDir, GetApplicationDirectory(), [](const std::string &dir) { return DirectoryExists(dir.c_str()); });
    if (!root || !ChangeDirectory(root->dir.c_str())) {
        std::puts("Tallowfen could not find its assets folder in the working directory or near the program.");
        return std::nullopt;
    }
    return root;
}

}  // namespace

int main(int argc, char **argv)
{
    SetUpProcess();
    const CommandLine options = CommandLine::parse(argc, argv);
    if (const std::optional<int> answered = AnswerAtOnce(options)) return *answered;
    SetTraceLogLevel(LOG_WARNING);  // first: finding the folder may log too
    const std::optional<RootSearch::Found> root = EnterGameFolder();
    if (!root) return 1;
    if (!options.verify.empty()) return VerifyDemo(options);
    DemoFile demo;
    if (!options.play.empty() && !LoadDemo(options.play, "play", &demo)) return 2;
    // In the browser the saves are the player's, kept in the browser's storage
    // as an installed game keeps them in the player's home.
    SaveFolder saves = UserFolders::saves(root->installed || BrowserPage::inBrowser());
    if (!saves.make()) std::puts(saves.problem.c_str());

    const char *noWindow = "Tallowfen could not open its window: is a graphical display available?";
    const std::string windowPath = saves.file("window");
    const char *mixRecord = std::getenv("TALLOWFEN_MIX_RECORD");
    MixLimiter limiter;
    if ((!BrowserPage::inBrowser() && !DisplayReachable()) || !OpenWindowAndAudio(windowPath, limiter, mixRecord)) {
        std::puts(noWindow);
        return 1;
    }
    RenderTexture2D virtualScreen = LoadRenderTexture(kVirtualWidth, kVirtualHeight);
    {
        // A new game at a chosen level replaces the kept run rather than continuing it.
        Game game(saves, options.startLevel == 0);
        game.startBoard(options.board);
        if (options.startLevel > 0) game.startNewGameAt(options.startLevel);
        if (options.daily) game.startDaily();
        if (!options.play.empty()) game.watch(std::move(demo));
        game.replay.pictures = UserFolders::pictures();
        if (!game.replay.pictures.notice.empty()) std::puts(game.replay.pictures.notice.c_str());
        FrameTimes frameTimes;
        EventStream events;
        long frame = 0;
        bool quit = false;
        while (!WindowShouldClose() && !quit)
            RunFrame(game, virtualScreen, windowPath, &quit, frameTimes, events, ++frame);
        game.keepRunOnExit();
        if (!frameTimes.write()) std::printf("Could not write the frame times to %s\n", frameTimes.path.c_str());
        game.replay.release();
        UnloadRenderTexture(virtualScreen);
        CloseWindow();
    }  // the game goes after the window, holding no library calls in its destructor
    MixLimiter::detach();
    // Last, so the audio thread stops and the streams' memory is released.
    CloseAudioDevice();
    if (!limiter.record.empty() && !limiter.writeRecord(mixRecord))
        std::printf("Could not write the mix's gain reduction to %s\n", mixRecord);
    return 0;
}
