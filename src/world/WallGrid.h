#pragma once

#include <array>

// The level's wall grid: 20 by 20 tiles of 32 world pixels, indexed
// [row][column], true where the tile is a wall.
constexpr int kMapTiles = 20;
constexpr int kTileSize = 32;
constexpr int kMapPixels = kMapTiles * kTileSize;

using WallGrid = std::array<std::array<bool, kMapTiles>, kMapTiles>;

// True when (column, row) names a tile of the grid.
constexpr bool InGrid(int column, int row) { return column >= 0 && column < kMapTiles && row >= 0 && row < kMapTiles; }
