#pragma once

#include "raylib.h"

// The picture of one map tile: an 8 by 8 cell of the "tilemap" texture drawn
// at 32 by 32, or nothing when the source is -1.
class GameMapRenderTile {
public:
    int width = 32;
    int height = 32;
    int srcX = 0;
    int srcY = 0;

    GameMapRenderTile() = default;
    GameMapRenderTile(int srcX, int srcY);

    // The tile for one character of the render file.
    static GameMapRenderTile fromChar(char c);

    void draw(Texture *texture, int x, int y) const;
};
