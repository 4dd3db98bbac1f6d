#pragma once

#include "system/PicturesFolder.h"
#include "system/SaveFolder.h"

// The player's folders as this system names them: on Linux from the XDG
// variables and HOME (SaveFolder::choose, PicturesFolder::choose); on Windows
// the roaming application data and the Pictures known folders.
namespace UserFolders {

// Where the saves go; `installed` (found in an installation's share/, or
// in the browser) says whether a game on Linux saves in its own data/ folder.
// A game unpacked on Windows is always the player's and saves in
// %APPDATA%\Tallowfen.
SaveFolder saves(bool installed);
// Where screenshots and clips go: the player's pictures folder/Tallowfen.
PicturesFolder pictures();

}  // namespace UserFolders
