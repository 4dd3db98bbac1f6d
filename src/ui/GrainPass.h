#pragma once

#include "assets/GameAssets.h"

// The film-grain look of the menus' buttons and the HUD panel: what is drawn
// between Begin and End goes through the "grain" shader, whose noise steps
// with `time`.
void BeginGrainPass(GameAssets &assets, float time);
void EndGrainPass();

// The menus' grain time: whole steps, nine a second.
float MenuGrainTime();
