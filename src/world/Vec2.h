#pragma once

// A pair of ints: a tile (column, row) for the path search, a pixel position
// for the enemies' waypoints.
struct Vec2 {
    int x;
    int y;

    bool operator==(const Vec2 &other) const = default;
};
