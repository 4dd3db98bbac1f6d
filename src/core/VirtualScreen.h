#pragma once

#include "raylib.h"

// The game draws into a fixed 320x240 picture that is scaled into the window,
// keeping its aspect ratio and centred, with white bars where shapes differ.
constexpr int kVirtualWidth = 320;
constexpr int kVirtualHeight = 240;

// Where a width x height picture lands in a window of the given size.
struct Letterbox {
    float scale;
    int x;
    int y;
    int width;
    int height;
};

Letterbox ComputeLetterbox(int screenWidth, int screenHeight, int width, int height);

// A window pixel in virtual-screen pixels (unclamped: the bars map outside;
// a window of no size maps to the middle).
Vector2 WindowToVirtual(Vector2 window, int screenWidth, int screenHeight);

// Draws the target's picture into the window, letterboxed.
void DrawRenderTexture(RenderTexture target, int width, int height);

// The mouse in world coordinates of the camera, through the virtual screen.
Vector2 GetScreenMousePos(Camera2D camera);

// The mouse in virtual pixels, and whether its left button went down in this
// update: the run's tic's while a run is recorded or played back.
Vector2 GetVirtualMousePos();
bool IsVirtualClick();
