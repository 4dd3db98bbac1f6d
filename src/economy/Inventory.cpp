#include "economy/Inventory.h"

void Inventory::reset()
{
    gold = 0;
    hPotions = 2;
}

void Inventory::addGold(int n) { gold += n; }

void Inventory::removeGold(int n) { gold -= n; }

int Inventory::getGold() const { return gold; }

void Inventory::addHPotions(int n) { hPotions += n; }

void Inventory::removeHPotions(int n) { hPotions -= n; }

int Inventory::gethPotions() const { return hPotions; }
