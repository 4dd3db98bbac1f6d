// Drawing modes: frame targets (window or render texture) and the 2D camera.
#include <cmath>

#include "internal.h"

extern "C" {

void BeginTextureMode(RenderTexture2D target)
{
    if (!rlp::GlReady() || target.id == 0) return;
    rlp::BatchSetCamera(nullptr);
    rlp::BatchSetTarget(target.id, target.texture.width, target.texture.height);
}

void EndTextureMode(void)
{
    if (!rlp::GlReady()) return;
    rlp::BatchSetCamera(nullptr);
    rlp::BatchSetTarget(0, GetScreenWidth(), GetScreenHeight());
}

void BeginMode2D(Camera2D camera) { rlp::BatchSetCamera(&camera); }

void EndMode2D(void) { rlp::BatchSetCamera(nullptr); }

Vector2 GetWorldToScreen2D(Vector2 position, Camera2D camera)
{
    const float radians = camera.rotation * DEG2RAD;
    const float cs = std::cos(radians), sn = std::sin(radians);
    const float x = position.x - camera.target.x, y = position.y - camera.target.y;
    return Vector2{(x * cs - y * sn) * camera.zoom + camera.offset.x,
                   (x * sn + y * cs) * camera.zoom + camera.offset.y};
}

Vector2 GetScreenToWorld2D(Vector2 position, Camera2D camera)
{
    const float radians = camera.rotation * DEG2RAD;
    const float cs = std::cos(radians), sn = std::sin(radians);
    const float zoom = camera.zoom != 0.0f ? camera.zoom : 1.0f;
    const float x = (position.x - camera.offset.x) / zoom, y = (position.y - camera.offset.y) / zoom;
    // Rotating back by the camera's angle undoes the forward transform.
    return Vector2{x * cs + y * sn + camera.target.x, -x * sn + y * cs + camera.target.y};
}

}  // extern "C"
