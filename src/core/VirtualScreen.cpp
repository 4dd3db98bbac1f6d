#include "core/VirtualScreen.h"

#include "tic/InputTic.h"

Letterbox ComputeLetterbox(int screenWidth, int screenHeight, int width, int height)
{
    const float scaleY = float(screenHeight) / float(height);
    const float scaleX = float(screenWidth) / float(width);
    Letterbox box{};
    box.scale = scaleY <= scaleX ? scaleY : scaleX;
    box.width = int(float(width) * box.scale);
    box.height = int(float(height) * box.scale);
    box.x = (screenWidth - box.width) / 2;
    box.y = (screenHeight - box.height) / 2;
    return box;
}

Vector2 WindowToVirtual(Vector2 window, int screenWidth, int screenHeight)
{
    const Letterbox box = ComputeLetterbox(screenWidth, screenHeight, kVirtualWidth, kVirtualHeight);
    // A minimised window may measure 0 pixels and show no picture to point
    // into; the mouse then rests in the picture's middle.
    if (!(box.scale > 0.0f)) return Vector2{kVirtualWidth / 2.0f, kVirtualHeight / 2.0f};
    return Vector2{(window.x - float(box.x)) / box.scale, (window.y - float(box.y)) / box.scale};
}

void DrawRenderTexture(RenderTexture target, int width, int height)
{
    const Letterbox box = ComputeLetterbox(GetScreenWidth(), GetScreenHeight(), width, height);
    const Rectangle source{0.0f, 0.0f, float(target.texture.width), -float(target.texture.height)};
    const Rectangle dest{float(box.x), float(box.y), float(box.width), float(box.height)};
    DrawTexturePro(target.texture, source, dest, Vector2{0.0f, 0.0f}, 0.0f, WHITE);
}

Vector2 GetScreenMousePos(Camera2D camera) { return GetScreenToWorld2D(GetVirtualMousePos(), camera); }

Vector2 GetVirtualMousePos()
{
    if (const InputTic *tic = InputTic::current)
        return WindowToVirtual(Vector2{tic->mouseX, tic->mouseY}, tic->screenWidth, tic->screenHeight);
    return WindowToVirtual(GetMousePosition(), GetScreenWidth(), GetScreenHeight());
}

bool IsVirtualClick()
{
    if (const InputTic *tic = InputTic::current) return tic->click != 0;
    return IsMouseButtonPressed(MOUSE_BUTTON_LEFT);
}
