// Tallowfen: a small top-down arena shooter. main opens the window and the
// audio device, builds the Game and runs the frame loop: update, draw into
// the 320x240 virtual screen, then scale that into the window.
#include <cstdio>

#include "core/Game.h"
#include "core/VirtualScreen.h"
#include "raylib.h"

int main()
{
    SetTraceLogLevel(LOG_WARNING);
    InitWindow(600, 450, "Tallowfen");
    if (!IsWindowReady()) {
        std::puts("Tallowfen could not open its window: is a graphical display available?");
        return 1;
    }
    SetTargetFPS(60);
    SetWindowState(FLAG_WINDOW_RESIZABLE);
    InitAudioDevice();
    RenderTexture2D virtualScreen = LoadRenderTexture(kVirtualWidth, kVirtualHeight);
    {
        Game game;
        bool quit = false;

        while (!WindowShouldClose() && !quit) {
            ClearBackground(WHITE);
            game.update(&quit);
            BeginTextureMode(virtualScreen);
            ClearBackground(BLACK);
            game.draw();
            EndTextureMode();
            BeginDrawing();
            DrawRenderTexture(virtualScreen, kVirtualWidth, kVirtualHeight);
            DrawFPS(0, 0);
            EndDrawing();
        }

        UnloadRenderTexture(virtualScreen);
        CloseWindow();
    }  // the game goes after the window, holding no library calls in its destructor
    // Last, so the audio thread stops and the streams' memory is released.
    CloseAudioDevice();
    return 0;
}
