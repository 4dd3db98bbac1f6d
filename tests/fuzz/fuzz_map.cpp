// Feeds arbitrary bytes to both map readers and checks the map they leave.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "FuzzInput.h"
#include "world/GameMap.h"

namespace {

void check(bool ok, const char *what)
{
    if (ok) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Unopenable files are reported on standard output; keep it quiet.
    std::cout.setstate(std::ios::failbit);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const char *path = fuzz::WriteInput("map", data, size);
    GameMap map;
    map.loadFromFile(path);
    map.loadRenderFromFile(path);
    for (int row = 0; row < kMapTiles; ++row) {
        for (int column = 0; column < kMapTiles; ++column) {
            const GameMapRenderTile &tile = map.renderTiles[row][column];
            for (int src : {tile.srcX, tile.srcY})
                check(src == -1 || src == 0 || src == 8 || src == 16, "tile source outside the tilemap");
            check((tile.srcX == -1) == (tile.srcY == -1), "a tile empty in one direction only");
            check(tile.width == 32 && tile.height == 32, "tile size changed");
            check(map.get(column, row) == map.walls[row][column], "get disagrees with the grid");
        }
    }
    check(map.get(-1, 0) && map.get(0, -1) && map.get(kMapTiles, 0) && map.get(0, kMapTiles),
          "outside the grid is not a wall");
    return 0;
}
