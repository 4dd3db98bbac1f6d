#pragma once

#include <algorithm>
#include <functional>
#include <vector>

// Sorts indices from the highest down and drops repeats, so erasing them in
// that order keeps the remaining ones valid.
inline void sortForErasing(std::vector<int> &indices)
{
    std::sort(indices.begin(), indices.end(), std::greater<int>());
    indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
}
