#include "assets/MusicManager.h"

void MusicManager::swapTrack(const char *name) { current = MusicPlayer(name); }
