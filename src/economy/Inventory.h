#pragma once

// What the player carries between levels: gold coins and health potions.
// Counts are never clamped; the shop checks prices before it buys.
class Inventory {
public:
    int gold = 0;
    int hPotions = 2;

    Inventory() = default;

    void reset();

    void addGold(int n);
    void removeGold(int n);
    int getGold() const;

    void addHPotions(int n);
    void removeHPotions(int n);
    int gethPotions() const;
};
