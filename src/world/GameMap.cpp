#include "world/GameMap.h"

#include <fstream>
#include <iostream>
#include <limits>
#include <string>

namespace {

// Reads up to 20 lines of the file and hands each of their first 20
// characters to `cell(row, column, character)`. Lines end at a newline, so
// a carriage return before it is the line's 21st character and ignored.
template <typename Cell> void readGrid(const char *path, Cell cell)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cout << "Error: Could not open file " << path << std::endl;
        return;
    }
    constexpr auto eof = std::char_traits<char>::eof();
    char line[kMapTiles];
    for (int row = 0; row < kMapTiles && in.peek() != eof; ++row) {
        int length = 0;
        int c = 0;
        while (length < kMapTiles && (c = in.get()) != eof && c != '\n')
            line[length++] = char(c);
        // The rest of a long line is skipped unread, so a huge file without
        // line ends costs no memory.
        if (length == kMapTiles) in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
        for (int column = 0; column < length; ++column)
            cell(row, column, line[column]);
    }
}

}  // namespace

void GameMap::loadFromFile(const char *path)
{
    readGrid(path, [this](int row, int column, char c) { walls[row][column] = (c == '1'); });
}

void GameMap::loadRenderFromFile(const char *path)
{
    readGrid(path, [this](int row, int column, char c) { renderTiles[row][column] = GameMapRenderTile::fromChar(c); });
}

bool GameMap::get(int x, int y) const { return !InGrid(x, y) || walls[y][x]; }

void GameMap::draw(Texture *tilemap) const
{
    for (int column = 0; column < kMapTiles; ++column)
        for (int row = 0; row < kMapTiles; ++row)
            renderTiles[row][column].draw(tilemap, kTileSize * column, kTileSize * row);
}
