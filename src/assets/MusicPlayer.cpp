#include "assets/MusicPlayer.h"

#include <string>

MusicPlayer::MusicPlayer(const char *name) : name(name) {}

Music &MusicPlayer::fetch(GameAssets *assets) const { return assets->fetchMusic(std::string(name)); }

void MusicPlayer::stopMusic(GameAssets *assets) const { PauseMusicStream(fetch(assets)); }

void MusicPlayer::startMusic(GameAssets *assets) const { PlayMusicStream(fetch(assets)); }

void MusicPlayer::resumeMusic(GameAssets *assets) const { ResumeMusicStream(fetch(assets)); }

void MusicPlayer::updateMusic(GameAssets *assets) const { UpdateMusicStream(fetch(assets)); }
