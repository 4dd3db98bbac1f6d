// raymath.h — the vector helpers of raylib 5.5's raymath that Tallowfen uses,
// with raymath's names, signatures and results.
#ifndef RAYMATH_H
#define RAYMATH_H

#include <math.h>

#include "raylib.h"

#ifndef RMAPI
#define RMAPI static inline
#endif

RMAPI float Clamp(float value, float min, float max)
{
    float result = (value < min) ? min : value;
    if (result > max) result = max;
    return result;
}

RMAPI float Lerp(float start, float end, float amount) { return start + amount * (end - start); }

RMAPI Vector2 Vector2Zero(void)
{
    Vector2 result = {0.0f, 0.0f};
    return result;
}

RMAPI Vector2 Vector2Add(Vector2 v1, Vector2 v2)
{
    Vector2 result = {v1.x + v2.x, v1.y + v2.y};
    return result;
}

RMAPI Vector2 Vector2Subtract(Vector2 v1, Vector2 v2)
{
    Vector2 result = {v1.x - v2.x, v1.y - v2.y};
    return result;
}

RMAPI Vector2 Vector2Scale(Vector2 v, float scale)
{
    Vector2 result = {v.x * scale, v.y * scale};
    return result;
}

RMAPI float Vector2Length(Vector2 v) { return sqrtf((v.x * v.x) + (v.y * v.y)); }

RMAPI float Vector2Distance(Vector2 v1, Vector2 v2)
{
    return sqrtf((v1.x - v2.x) * (v1.x - v2.x) + (v1.y - v2.y) * (v1.y - v2.y));
}

RMAPI Vector2 Vector2Normalize(Vector2 v)
{
    Vector2 result = {0.0f, 0.0f};
    float length = sqrtf((v.x * v.x) + (v.y * v.y));
    if (length > 0) {
        float ilength = 1.0f / length;
        result.x = v.x * ilength;
        result.y = v.y * ilength;
    }
    return result;
}

RMAPI Vector2 Vector2Lerp(Vector2 v1, Vector2 v2, float amount)
{
    Vector2 result = {v1.x + amount * (v2.x - v1.x), v1.y + amount * (v2.y - v1.y)};
    return result;
}

#endif  // RAYMATH_H
