// Filled shapes, drawn as triangles with the batch's 1x1 white texture so
// that a shader mode affects them as it affects textures.
#include <cmath>

#include "internal.h"

namespace {

rlp::Vertex white(float x, float y, Color c) { return rlp::Vertex{x, y, 0.0f, 0.5f, 0.5f, c.r, c.g, c.b, c.a}; }

}  // namespace

extern "C" {

void DrawRectangle(int posX, int posY, int width, int height, Color color)
{
    DrawRectanglePro(Rectangle{float(posX), float(posY), float(width), float(height)}, Vector2{0, 0}, 0.0f, color);
}

void DrawRectanglePro(Rectangle rec, Vector2 origin, float rotation, Color color)
{
    rlp::BatchRectangle(rlp::WhiteTextureId(), rec, origin, rotation, rlp::TexCoords{0.0f, 0.0f, 1.0f, 1.0f}, color);
}

void DrawCircle(int centerX, int centerY, float radius, Color color)
{
    constexpr int kSegments = 36;
    constexpr float kStep = 360.0f / kSegments * DEG2RAD;
    rlp::Vertex triangles[kSegments * 3];
    const float cx = float(centerX), cy = float(centerY);
    for (int i = 0; i < kSegments; ++i) {
        const float a0 = kStep * float(i), a1 = kStep * float(i + 1);
        triangles[i * 3 + 0] = white(cx, cy, color);
        triangles[i * 3 + 1] = white(cx + std::sin(a0) * radius, cy + std::cos(a0) * radius, color);
        triangles[i * 3 + 2] = white(cx + std::sin(a1) * radius, cy + std::cos(a1) * radius, color);
    }
    rlp::BatchTriangles(rlp::WhiteTextureId(), triangles, kSegments * 3);
}

Color ColorAlpha(Color color, float alpha)
{
    if (!(alpha >= 0.0f)) alpha = 0.0f;  // also catches NaN
    if (alpha > 1.0f) alpha = 1.0f;
    color.a = static_cast<unsigned char>(255.0f * alpha);
    return color;
}

bool CheckCollisionRecs(Rectangle rec1, Rectangle rec2)
{
    return rec1.x < rec2.x + rec2.width && rec1.x + rec1.width > rec2.x && rec1.y < rec2.y + rec2.height &&
           rec1.y + rec1.height > rec2.y;
}

}  // extern "C"
