// A small program of the platform layer, driven by the end-to-end tests: it
// draws known shapes, a texture, text and a shader pass into a 320x240
// render texture, letterboxes it into a resizable 600x450 window, reports
// key presses and clicks on standard output, and plays a sound and a music
// stream on command.
//
// Keys: SPACE counts a press; P plays the sound; M starts the music and its
// feed; F toggles feeding; U pauses, R resumes, X stops; T prints the music's
// played time. Every report is one line on standard output.
#include <cstdio>
#include <string>

#include "raylib.h"

namespace {

constexpr int kVirtualWidth = 320;
constexpr int kVirtualHeight = 240;

// The scale and placement of the virtual screen in the window.
struct Letterbox {
    float scale;
    int x, y, w, h;
};

Letterbox letterbox()
{
    const int sw = GetScreenWidth(), sh = GetScreenHeight();
    const float sx = float(sw) / kVirtualWidth, sy = float(sh) / kVirtualHeight;
    Letterbox box{};
    box.scale = sy <= sx ? sy : sx;
    box.w = int(kVirtualWidth * box.scale);
    box.h = int(kVirtualHeight * box.scale);
    box.x = (sw - box.w) / 2;
    box.y = (sh - box.h) / 2;
    return box;
}

void report(const char *format, double a = 0, double b = 0)
{
    std::printf(format, a, b);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char **argv)
{
    const std::string data = argc > 1 ? argv[1] : "platform/tests/data";
    SetTraceLogLevel(LOG_WARNING);
    InitWindow(600, 450, "rlplatform demo");
    SetWindowState(FLAG_WINDOW_RESIZABLE);
    SetTargetFPS(60);
    InitAudioDevice();

    RenderTexture2D screen = LoadRenderTexture(kVirtualWidth, kVirtualHeight);
    Texture2D quadrants = LoadTexture((data + "/demo_quadrants.png").c_str());
    Shader invert = LoadShader(nullptr, (data + "/demo_invert.fs").c_str());
    Sound tone = LoadSound((data + "/demo_tone.wav").c_str());
    Music music = LoadMusicStream((data + "/demo_music.wav").c_str());

    int presses = 0;
    bool feeding = false;
    Vector2 marker{-10, -10};
    report("ready");

    while (!WindowShouldClose()) {
        if (IsKeyPressed(KEY_SPACE)) report("key space %.0f", ++presses);
        if (IsKeyPressed(KEY_P)) {
            PlaySound(tone);
            report("sound");
        }
        if (IsKeyPressed(KEY_M)) {
            PlayMusicStream(music);
            feeding = true;
            report("music play");
        }
        if (IsKeyPressed(KEY_F)) report("feed %.0f", (feeding = !feeding) ? 1 : 0);
        if (IsKeyPressed(KEY_U)) PauseMusicStream(music);
        if (IsKeyPressed(KEY_R)) ResumeMusicStream(music);
        if (IsKeyPressed(KEY_X)) StopMusicStream(music);
        if (IsKeyPressed(KEY_T)) report("music %.3f %.0f", GetMusicTimePlayed(music), IsMusicStreamPlaying(music));
        if (feeding) UpdateMusicStream(music);
        if (IsMouseButtonPressed(MOUSE_BUTTON_LEFT)) {
            const Letterbox box = letterbox();
            const Vector2 m = GetMousePosition();
            marker = {(m.x - box.x) / box.scale, (m.y - box.y) / box.scale};
            report("click %.1f %.1f", marker.x, marker.y);
        }

        ClearBackground(WHITE);
        BeginTextureMode(screen);
        ClearBackground(DARKBLUE);
        DrawRectangle(10, 10, 40, 30, RED);
        DrawCircle(100, 30, 20, GREEN);
        DrawTexturePro(quadrants, {0, 0, 4, 4}, {150, 10, 40, 40}, {0, 0}, 0, WHITE);
        DrawText("HELLO", 10, 60, 20, YELLOW);
        const float amount = 1.0f;
        SetShaderValue(invert, GetShaderLocation(invert, "amount"), &amount, SHADER_UNIFORM_FLOAT);
        BeginShaderMode(invert);
        DrawRectangle(200, 10, 40, 30, RED);  // inverted: cyan
        EndShaderMode();
        DrawRectangle(10, 100, 30, 30, presses > 0 ? MAGENTA : GRAY);
        DrawRectangle(int(marker.x) - 2, int(marker.y) - 2, 5, 5, ORANGE);
        EndTextureMode();

        BeginDrawing();
        const Letterbox box = letterbox();
        DrawTexturePro(screen.texture, {0, 0, float(screen.texture.width), -float(screen.texture.height)},
                       {float(box.x), float(box.y), float(box.w), float(box.h)}, {0, 0}, 0, WHITE);
        EndDrawing();
    }

    UnloadMusicStream(music);
    UnloadSound(tone);
    UnloadShader(invert);
    UnloadTexture(quadrants);
    UnloadRenderTexture(screen);
    CloseAudioDevice();
    CloseWindow();
    report("closed");
    return 0;
}
