#include "economy/Upgrades.h"

#include <iostream>
#include <iterator>

#include "economy/UpgradeBulletRicochet.h"
#include "economy/UpgradeBulletSpeed.h"
#include "economy/UpgradeGoldMagnet.h"
#include "economy/UpgradeGoldMultiplier.h"
#include "economy/UpgradeGoldSpawns.h"

Upgrades::Upgrades() { init(); }

void Upgrades::init()
{
    upgrades.clear();
    upgrades["goldmultiplier"] = std::make_unique<Upgrade_Gold_Multiplier>();
    upgrades["goldspawns"] = std::make_unique<Upgrade_Gold_Spawns>();
    upgrades["goldmagnet"] = std::make_unique<Upgrade_Gold_Magnet>();
    upgrades["bulletspeed"] = std::make_unique<Upgrade_Bullet_Speed>();
    upgrades["bulletricochet"] = std::make_unique<Upgrade_Bullet_Ricochet>();

    for (const auto &[key, upgrade] : upgrades) {
        if (upgrade)
            std::cout << "Verified " << key << " - ID: " << upgrade->id << std::endl;
        else
            std::cout << "ERROR: Null pointer for " << key << std::endl;
    }
}

Upgrade *Upgrades::get(const std::string &id) const
{
    auto it = upgrades.find(id);
    return it == upgrades.end() ? nullptr : it->second.get();
}

std::string Upgrades::getNext(const std::string &id) const
{
    if (upgrades.empty()) return "";
    auto it = upgrades.find(id);
    if (it == upgrades.end()) return upgrades.begin()->first;
    ++it;
    return it == upgrades.end() ? upgrades.begin()->first : it->first;
}

std::string Upgrades::getPrev(const std::string &id) const
{
    if (upgrades.empty()) return "";
    auto it = upgrades.find(id);
    if (it == upgrades.end()) return upgrades.begin()->first;
    if (it == upgrades.begin()) return upgrades.rbegin()->first;
    return std::prev(it)->first;
}
