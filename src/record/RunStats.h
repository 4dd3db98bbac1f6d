#pragma once

#include <vector>

// What one level of a run came to: kept per level for the death screen's
// chart of the run just lost.
class LevelRecord {
public:
    int level = 0;
    int health = 0;  // the player's health as the level ended; 0 or less on death
    int gold = 0;    // coins picked up in the level
    int kills = 0;   // enemies that died in the level
};

// The record of the run in progress: the counters of the level being played
// and one LevelRecord per level already ended. Counted by the level runner,
// closed level by level by Game, cleared when a new run begins.
class RunStats {
public:
    std::vector<LevelRecord> levels;
    int gold = 0;   // in the level being played
    int kills = 0;  // in the level being played

    // Closes the level being played into `levels` and starts the counters anew.
    void endLevel(int level, int health);
    void reset();

    int highestLevel() const;  // 0 for a run with no level ended
    int totalGold() const;
    int totalKills() const;
};
