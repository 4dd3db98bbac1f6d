#pragma once

#include "assets/MusicPlayer.h"

// Holds the player of the current track; swapping makes no audio call.
class MusicManager {
public:
    MusicPlayer current{"menu"};

    MusicManager() = default;

    void swapTrack(const char *name);
};
