#pragma once

#include "world/GameMapRenderTile.h"
#include "world/WallGrid.h"

// The level's ground: the wall grid read from data/map and the tile pictures
// read from data/maprender, two independent layers of 20 by 20 tiles.
class GameMap {
public:
    // Until a file says otherwise every tile is floor, so a missing or short
    // map still leaves somewhere to stand.
    WallGrid walls{};
    GameMapRenderTile renderTiles[kMapTiles][kMapTiles];
    int tileSize = kTileSize;
    int size = kMapTiles;
    int pixelSize = kMapPixels;

    GameMap() = default;

    // Cells the file does not reach keep their contents; a file that cannot
    // be opened is reported on standard output and changes nothing.
    void loadFromFile(const char *path);
    void loadRenderFromFile(const char *path);

    // The wall at column x, row y. Tiles outside the grid count as walls.
    bool get(int x, int y) const;
    void draw(Texture *tilemap) const;
};
