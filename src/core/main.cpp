// Tallowfen: a small top-down arena shooter. main opens the window and the
// audio device, builds the Game and runs the frame loop: update, draw into
// the 320x240 virtual screen, then scale that into the window.
#include <pwd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "core/Game.h"
#include "core/VirtualScreen.h"
#include "mix/MixLimiter.h"
#include "raylib.h"
#include "system/CommandLine.h"
#include "system/DisplayProbe.h"
#include "system/EventStream.h"
#include "system/FrameTimes.h"
#include "system/PicturesFolder.h"
#include "system/RootSearch.h"
#include "system/SaveFolder.h"
#include "window/WindowMode.h"

namespace {

// HOME, or the account's home when HOME is unset, as the XDG rules expect.
const char *HomeFolder()
{
    if (const char *home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
    const passwd *account = getpwuid(getuid());
    return account != nullptr ? account->pw_dir : nullptr;
}

}  // namespace

int main(int argc, char **argv)
{
    const CommandLine options = CommandLine::parse(argc, argv);
    if (!options.error.empty()) {
        std::printf("tallowfen: %s\n%s", options.error.c_str(), CommandLine::usage());
        return 2;
    }
    if (options.help) {
        std::fputs(CommandLine::usage(), stdout);
        return 0;
    }
    if (options.version) {
        std::puts(CommandLine::versionText());
        return 0;
    }

    // Set first: the directory calls below may log too.
    SetTraceLogLevel(LOG_WARNING);
    // The game's files are found wherever it was started from.
    std::error_code cwdError;
    const std::string workingDir = std::filesystem::current_path(cwdError).string();
    const std::optional<RootSearch::Found> root = RootSearch::find(
        workingDir, GetApplicationDirectory(), [](const std::string &dir) { return DirectoryExists(dir.c_str()); });
    if (!root || !ChangeDirectory(root->dir.c_str())) {
        std::puts("Tallowfen could not find its assets folder in the working directory or near the program.");
        return 1;
    }
    SaveFolder saves = SaveFolder::choose(root->installed, std::getenv("XDG_DATA_HOME"), HomeFolder());
    if (!saves.make()) std::puts(saves.problem.c_str());

    const char *noWindow = "Tallowfen could not open its window: is a graphical display available?";
    if (!DisplayReachable()) {
        std::puts(noWindow);
        return 1;
    }
    // A file size limit makes a write fail instead of killing the game, so a
    // save that does not fit is reported and the old file kept.
    std::signal(SIGXFSZ, SIG_IGN);
    InitWindow(600, 450, "Tallowfen");
    if (!IsWindowReady()) {
        std::puts(noWindow);
        return 1;
    }
    SetTargetFPS(60);
    SetWindowState(FLAG_WINDOW_RESIZABLE);
    const std::string windowPath = saves.file("window");
    WindowMode::applyRemembered(windowPath.c_str());
    InitAudioDevice();
    // On the mix before the first track starts. TALLOWFEN_MIX_RECORD names a
    // file for its gain reduction, to measure how hard it works in play.
    MixLimiter limiter;
    const char *mixRecord = std::getenv("TALLOWFEN_MIX_RECORD");
    if (mixRecord != nullptr && *mixRecord != '\0') limiter.keepRecord(600.0);
    if (IsAudioDeviceReady()) limiter.attach();
    RenderTexture2D virtualScreen = LoadRenderTexture(kVirtualWidth, kVirtualHeight);
    {
        // A new game at a chosen level replaces the kept run rather than continuing it.
        Game game(saves, options.startLevel == 0);
        if (options.startLevel > 0) game.startNewGameAt(options.startLevel);
        game.replay.pictures = PicturesFolder::choose(std::getenv("XDG_PICTURES_DIR"), std::getenv("XDG_CONFIG_HOME"),
                                                      HomeFolder(), PicturesFolder::readFile);
        if (!game.replay.pictures.notice.empty()) std::puts(game.replay.pictures.notice.c_str());
        FrameTimes frameTimes;
        EventStream events;
        long frame = 0;
        bool quit = false;

        while (!WindowShouldClose() && !quit) {
            WindowMode::update(windowPath.c_str());
            ClearBackground(WHITE);
            game.update(&quit);
            if (events.enabled()) {
                events.change("state", game.state);
                events.change("level", game.runner.level);
                events.change("paused", game.pause.paused);
                if (IsMouseButtonPressed(MOUSE_BUTTON_LEFT)) {
                    const Vector2 at = WindowToVirtual(GetMousePosition(), GetScreenWidth(), GetScreenHeight());
                    events.line("click " + std::to_string(int(at.x)) + " " + std::to_string(int(at.y)));
                }
            }
            BeginTextureMode(virtualScreen);
            ClearBackground(BLACK);
            game.draw();
            EndTextureMode();
            game.replay.afterDraw(virtualScreen, game.recordingLevel(), game.pause.paused, game.runner.level);
            BeginDrawing();
            DrawRenderTexture(virtualScreen, kVirtualWidth, kVirtualHeight);
            game.pause.drawOverWindow(game.state);
            game.replay.drawOverWindow();
            DrawFPS(0, 0);
            EndDrawing();
            frameTimes.record(GetFrameTime());
            events.change("frame", ++frame);
        }
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
