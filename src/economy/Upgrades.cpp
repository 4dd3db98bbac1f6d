#include "economy/Upgrades.h"

#include <iostream>
#include <iterator>

#include "economy/UpgradeBulletRicochet.h"
#include "economy/UpgradeBulletSpeed.h"
#include "economy/UpgradeGoldMagnet.h"
#include "economy/UpgradeGoldMultiplier.h"
#include "economy/UpgradeGoldSpawns.h"

Upgrades::Upgrades() { init(); }

std::unique_ptr<Upgrade> Upgrades::make(const std::string &id)
{
    if (id == "goldmultiplier") return std::make_unique<Upgrade_Gold_Multiplier>();
    if (id == "goldspawns") return std::make_unique<Upgrade_Gold_Spawns>();
    if (id == "goldmagnet") return std::make_unique<Upgrade_Gold_Magnet>();
    if (id == "bulletspeed") return std::make_unique<Upgrade_Bullet_Speed>();
    if (id == "bulletricochet") return std::make_unique<Upgrade_Bullet_Ricochet>();
    return nullptr;
}

void Upgrades::init()
{
    upgrades.clear();
    for (const char *id : {"goldmultiplier", "goldspawns", "goldmagnet", "bulletspeed", "bulletricochet"})
        upgrades[id] = make(id);

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
