#pragma once

#include <string>
#include <vector>

#include "assets/GameAssets.h"

// Plays sound effects by key, unless sound effects are switched off.
class SoundManager {
public:
    bool enabled;
    GameAssets *assets;  // not owned
    // When set, every key actually played is also appended here, so tests
    // can tell which effects a step played and how often. Not owned.
    std::vector<std::string> *journal = nullptr;

    SoundManager(bool enabled, GameAssets *assets);

    void play(std::string key) const;
};
