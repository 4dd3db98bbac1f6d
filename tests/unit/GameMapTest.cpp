// The two map files: how lines and characters fill the wall grid and the
// tile pictures, and what bad or missing files do.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "TestSupport.h"
#include "world/GameMap.h"

namespace {

std::string lines(int count, const std::string &line, const char *end = "\n")
{
    std::string text;
    for (int i = 0; i < count; ++i)
        text += line + end;
    return text;
}

int wallCount(const GameMap &map)
{
    int count = 0;
    for (int row = 0; row < kMapTiles; ++row)
        for (int column = 0; column < kMapTiles; ++column)
            count += map.get(column, row);
    return count;
}

TEST(GameMapFile, LinesAndCharactersFillTheWallGrid)
{
    const std::string zeros(20, '0');
    std::string oneAt5x3 = lines(20, zeros);
    oneAt5x3[3 * 21 + 5] = '1';
    const struct {
        const char *name;
        std::string file;
        int walls;
        std::vector<std::pair<int, int>> wallsAt;  // (column, row)
    } cases[] = {
        {"twenty lines of zeros", lines(20, zeros), 0, {}},
        {"a one at character 5 of line 3", oneAt5x3, 1, {{5, 3}}},
        {"long lines fill 20 cells each, without spilling into the next row",
         lines(1, zeros + "11111") + lines(19, "1" + std::string(19, '0') + "11111"),
         19,
         {{0, 1}, {0, 19}}},
        {"a 21st line is ignored", lines(20, zeros) + lines(1, std::string(20, '1')), 0, {}},
        {"only the digit 1 is a wall", lines(20, "2 a\t0" + std::string(14, '0') + "1"), 20, {{19, 0}, {19, 19}}},
        {"CRLF line ends", lines(20, std::string(20, '1'), "\r\n"), 400, {{19, 19}}},
        {"a last line without a newline", lines(19, zeros) + "1", 1, {{0, 19}}},
    };
    for (const auto &c : cases) {
        ScopedWorkDir dir(false);
        dir.write("data/map", c.file);
        GameMap map;
        map.loadFromFile("data/map");
        EXPECT_EQ(wallCount(map), c.walls) << c.name;
        for (auto [column, row] : c.wallsAt)
            EXPECT_TRUE(map.get(column, row)) << c.name << " at " << column << "," << row;
    }
}

TEST(GameMapFile, CellsAFileDoesNotReachKeepTheirValue)
{
    ScopedWorkDir dir(false);
    GameMap map;
    EXPECT_EQ(wallCount(map), 0) << "every cell starts as floor";
    dir.write("data/map", lines(20, std::string(20, '1')));
    map.loadFromFile("data/map");
    dir.write("data/map", "00\n0");
    map.loadFromFile("data/map");
    EXPECT_FALSE(map.get(0, 0));
    EXPECT_FALSE(map.get(1, 0));
    EXPECT_TRUE(map.get(2, 0));
    EXPECT_FALSE(map.get(0, 1));
    EXPECT_TRUE(map.get(1, 1));
    EXPECT_EQ(wallCount(map), 397);
}

TEST(GameMapFile, RenderCharactersPickCellsOfTheTileSheet)
{
    ScopedWorkDir dir(false);
    dir.write("data/maprender", std::string("012345678 /9A\0", 14) + "\n\n4");
    GameMap map;
    map.loadRenderFromFile("data/maprender");
    const int expected[][2] = {{0, 0},  {8, 0},   {16, 0},  {0, 8},   {8, 8}, {16, 8}, {0, 16},
                               {8, 16}, {16, 16}, {-1, -1}, {-1, -1}, {0, 0}, {16, 0}, {-1, -1}};
    for (int column = 0; column < 14; ++column) {
        EXPECT_EQ(map.renderTiles[0][column].srcX, expected[column][0]) << "column " << column;
        EXPECT_EQ(map.renderTiles[0][column].srcY, expected[column][1]) << "column " << column;
        EXPECT_EQ(map.renderTiles[0][column].width, 32);
    }
    EXPECT_EQ(map.renderTiles[0][14].srcX, 0) << "beyond the line: unchanged";
    EXPECT_EQ(map.renderTiles[1][0].srcX, 0) << "an empty line changes nothing";
    EXPECT_EQ(map.renderTiles[2][0].srcX, 8);
    EXPECT_EQ(map.renderTiles[2][0].srcY, 8);
}

TEST(GameMapFile, MissingFilesAreReportedAndChangeNothing)
{
    ScopedWorkDir dir(false);
    dir.write("data/map", "1");
    GameMap map;
    map.loadFromFile("data/map");
    testing::internal::CaptureStdout();
    map.loadFromFile("data/nomap");
    map.loadRenderFromFile("data/maprender");
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error: Could not open file data/nomap\nError: Could not open file data/maprender\n");
    EXPECT_TRUE(map.get(0, 0));
    EXPECT_EQ(map.renderTiles[5][5].srcX, 0);
}

// Junk loads like any text: the cells follow the first 20 characters of the
// first 20 lines, and a huge file is not read into memory whole.
TEST(GameMapFile, BinaryJunkAndHugeFilesLoadSafely)
{
    std::mt19937 random(7);
    std::string junk(10 * 1024 * 1024, '\0');
    for (char &c : junk)
        c = char(random() % 256);
    const std::string noNewlines(10 * 1024 * 1024, '1');
    for (const std::string &file : {junk, noNewlines}) {
        ScopedWorkDir dir(false);
        dir.write("data/map", file);
        dir.write("data/maprender", file);
        GameMap map;
        map.loadFromFile("data/map");
        map.loadRenderFromFile("data/maprender");
        std::size_t at = 0;
        for (int row = 0; row < kMapTiles && at < file.size(); ++row) {
            const std::size_t end = std::min(file.find('\n', at), file.size());
            for (std::size_t column = 0; column < std::min<std::size_t>(end - at, 20); ++column)
                ASSERT_EQ(map.get(int(column), row), file[at + column] == '1') << row << "," << column;
            at = end + 1;
        }
    }
}

// The arena the game ships with: walled in, one connected floor, and floor
// in every inner row and column, where enemies are placed.
TEST(GameMapFile, TheShippedArenaIsEnclosedAndConnected)
{
    GameMap map;
    map.loadFromFile(TALLOWFEN_SOURCE_DIR "/data/map");
    map.loadRenderFromFile(TALLOWFEN_SOURCE_DIR "/data/maprender");
    int floor = 0;
    for (int i = 0; i < kMapTiles; ++i) {
        EXPECT_TRUE(map.get(i, 0) && map.get(i, 19) && map.get(0, i) && map.get(19, i)) << "outer ring at " << i;
        bool rowFloor = false, columnFloor = false;
        for (int j = 1; j < 19; ++j) {
            rowFloor |= !map.get(j, i);
            columnFloor |= !map.get(i, j);
        }
        if (i >= 1 && i <= 18) {
            EXPECT_TRUE(rowFloor && columnFloor) << "row and column " << i;
        }
        for (int j = 0; j < kMapTiles; ++j) {
            floor += !map.get(j, i);
            EXPECT_EQ(map.renderTiles[i][j].srcX == -1, map.get(j, i)) << "walls and only walls are holes";
        }
    }
    std::vector<std::pair<int, int>> todo{{1, 1}};
    WallGrid seen{};
    seen[1][1] = true;
    int reached = 0;
    while (!todo.empty()) {
        auto [column, row] = todo.back();
        todo.pop_back();
        ++reached;
        for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
            if (map.get(column + dx, row + dy) || seen[row + dy][column + dx]) continue;
            seen[row + dy][column + dx] = true;
            todo.push_back({column + dx, row + dy});
        }
    }
    EXPECT_EQ(reached, floor) << "no floor is sealed off";
}

}  // namespace
