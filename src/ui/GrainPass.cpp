#include "ui/GrainPass.h"

#include <cmath>

void BeginGrainPass(GameAssets &assets, float time)
{
    const Shader &shader = assets.fetchShader("grain");
    // An empty entry (never loaded) is no shader at all: draw plainly.
    if (!IsShaderValid(shader)) return;
    const Vector2 resolution{320.0f, 240.0f};
    SetShaderValue(shader, GetShaderLocation(shader, "time"), &time, SHADER_UNIFORM_FLOAT);
    SetShaderValue(shader, GetShaderLocation(shader, "resolution"), &resolution, SHADER_UNIFORM_VEC2);
    BeginShaderMode(shader);
}

void EndGrainPass() { EndShaderMode(); }

float MenuGrainTime() { return float(std::floor(GetTime() * 9.0)); }
