#include "assets/SoundManager.h"

SoundManager::SoundManager(bool enabled, GameAssets *assets) : enabled(enabled), assets(assets) {}

void SoundManager::play(std::string key) const
{
    if (!enabled) return;
    if (journal != nullptr) journal->push_back(key);
    PlaySound(assets->fetchSound(key));
}
