#pragma once

#include <string>

#include "assets/GameAssets.h"

// Plays sound effects by key, unless sound effects are switched off.
class SoundManager {
public:
    bool enabled;
    GameAssets *assets;  // not owned

    SoundManager(bool enabled, GameAssets *assets);

    void play(std::string key) const;
};
