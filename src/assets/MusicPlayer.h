#pragma once

#include "assets/GameAssets.h"

// One music track, named by its key; every operation fetches the stream anew.
class MusicPlayer {
public:
    const char *name;  // a string literal, not owned

    explicit MusicPlayer(const char *name);

    Music &fetch(GameAssets *assets) const;
    // Pauses: the track keeps its position for a later resume.
    void stopMusic(GameAssets *assets) const;
    void startMusic(GameAssets *assets) const;
    void resumeMusic(GameAssets *assets) const;
    // Feeds the stream; needed every frame while the track plays.
    void updateMusic(GameAssets *assets) const;
};
