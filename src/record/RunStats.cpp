#include "record/RunStats.h"

#include <algorithm>

void RunStats::endLevel(int level, int health)
{
    levels.push_back(LevelRecord{level, health, gold, kills});
    gold = 0;
    kills = 0;
}

void RunStats::reset()
{
    levels.clear();
    gold = 0;
    kills = 0;
}

int RunStats::highestLevel() const
{
    int highest = 0;
    for (const LevelRecord &record : levels)
        highest = std::max(highest, record.level);
    return highest;
}

int RunStats::totalGold() const
{
    int total = 0;
    for (const LevelRecord &record : levels)
        total += record.gold;
    return total;
}

int RunStats::totalKills() const
{
    int total = 0;
    for (const LevelRecord &record : levels)
        total += record.kills;
    return total;
}
