// Drawing modes: frame targets (window or render texture) and the 2D camera.
#include <array>
#include <cmath>

#include "internal.h"

namespace {

// A 4x4 matrix as raylib lays it out: m[4 * row + column], the translation in
// m[12], m[13] and m[14]. The camera's mappings go through the same products,
// inverse and transform as raylib's, sum by sum in the same order, so a point
// mapped here rounds to the same float as there: the gun aims through it, and
// a run must play alike on either library.
using Matrix4 = std::array<float, 16>;

Matrix4 Translation(float x, float y)
{
    return {1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, x, y, 0.0f, 1.0f};
}

Matrix4 Product(const Matrix4 &left, const Matrix4 &right)
{
    Matrix4 out{};
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            const int r = 4 * row;
            out[std::size_t(r + column)] = left[std::size_t(r)] * right[std::size_t(column)] +
                                           left[std::size_t(r + 1)] * right[std::size_t(4 + column)] +
                                           left[std::size_t(r + 2)] * right[std::size_t(8 + column)] +
                                           left[std::size_t(r + 3)] * right[std::size_t(12 + column)];
        }
    return out;
}

// Moved by -target, scaled and turned about the z axis, moved by the offset.
Matrix4 CameraMatrix(const Camera2D &camera)
{
    const float radians = camera.rotation * DEG2RAD;
    const float c = std::cos(radians), s = std::sin(radians), t = 1.0f - c;
    // The turn about (0, 0, 1), each entry formed as a turn about any axis forms it.
    const float x = 0.0f, y = 0.0f, z = 1.0f;
    const Matrix4 turn{x * x * t + c,
                       y * x * t + z * s,
                       z * x * t - y * s,
                       0.0f,
                       x * y * t - z * s,
                       y * y * t + c,
                       z * y * t + x * s,
                       0.0f,
                       x * z * t + y * s,
                       y * z * t - x * s,
                       z * z * t + c,
                       0.0f,
                       0.0f,
                       0.0f,
                       0.0f,
                       1.0f};
    const float k = camera.zoom;
    const Matrix4 scale{k, 0.0f, 0.0f, 0.0f, 0.0f, k, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    return Product(Product(Translation(-camera.target.x, -camera.target.y), Product(scale, turn)),
                   Translation(camera.offset.x, camera.offset.y));
}

// The inverse by cofactors, through the twelve 2x2 determinants of the top
// and bottom row pairs.
Matrix4 Inverse(const Matrix4 &m)
{
    const float a00 = m[0], a01 = m[1], a02 = m[2], a03 = m[3], a10 = m[4], a11 = m[5], a12 = m[6], a13 = m[7];
    const float a20 = m[8], a21 = m[9], a22 = m[10], a23 = m[11], a30 = m[12], a31 = m[13], a32 = m[14], a33 = m[15];
    const float b00 = a00 * a11 - a01 * a10, b01 = a00 * a12 - a02 * a10, b02 = a00 * a13 - a03 * a10;
    const float b03 = a01 * a12 - a02 * a11, b04 = a01 * a13 - a03 * a11, b05 = a02 * a13 - a03 * a12;
    const float b06 = a20 * a31 - a21 * a30, b07 = a20 * a32 - a22 * a30, b08 = a20 * a33 - a23 * a30;
    const float b09 = a21 * a32 - a22 * a31, b10 = a21 * a33 - a23 * a31, b11 = a22 * a33 - a23 * a32;
    const float inv = 1.0f / (b00 * b11 - b01 * b10 + b02 * b09 + b03 * b08 - b04 * b07 + b05 * b06);
    return {(a11 * b11 - a12 * b10 + a13 * b09) * inv,  (-a01 * b11 + a02 * b10 - a03 * b09) * inv,
            (a31 * b05 - a32 * b04 + a33 * b03) * inv,  (-a21 * b05 + a22 * b04 - a23 * b03) * inv,
            (-a10 * b11 + a12 * b08 - a13 * b07) * inv, (a00 * b11 - a02 * b08 + a03 * b07) * inv,
            (-a30 * b05 + a32 * b02 - a33 * b01) * inv, (a20 * b05 - a22 * b02 + a23 * b01) * inv,
            (a10 * b10 - a11 * b08 + a13 * b06) * inv,  (-a00 * b10 + a01 * b08 - a03 * b06) * inv,
            (a30 * b04 - a31 * b02 + a33 * b00) * inv,  (-a20 * b04 + a21 * b02 - a23 * b00) * inv,
            (-a10 * b09 + a11 * b07 - a12 * b06) * inv, (a00 * b09 - a01 * b07 + a02 * b06) * inv,
            (-a30 * b03 + a31 * b01 - a32 * b00) * inv, (a20 * b03 - a21 * b01 + a22 * b00) * inv};
}

Vector2 Transform(const Matrix4 &m, Vector2 p)
{
    const float z = 0.0f;
    return Vector2{m[0] * p.x + m[4] * p.y + m[8] * z + m[12], m[1] * p.x + m[5] * p.y + m[9] * z + m[13]};
}

}  // namespace

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

Vector2 GetWorldToScreen2D(Vector2 position, Camera2D camera) { return Transform(CameraMatrix(camera), position); }

Vector2 GetScreenToWorld2D(Vector2 position, Camera2D camera)
{
    return Transform(Inverse(CameraMatrix(camera)), position);
}

}  // extern "C"
