#pragma once

#include <map>
#include <memory>
#include <string>

#include "economy/Upgrade.h"

// The shop's catalogue of upgrades, keyed by id. The map's byte-wise order is
// the order in which the shop steps through them.
class Upgrades {
public:
    std::map<std::string, std::unique_ptr<Upgrade>> upgrades;

    Upgrades();
    Upgrades(const Upgrades &) = delete;
    Upgrades &operator=(const Upgrades &) = delete;
    Upgrades(Upgrades &&) = default;
    Upgrades &operator=(Upgrades &&) = default;

    // Discards every purchase and rebuilds the five upgrades at their
    // starting values, logging one line per entry.
    void init();
    // One upgrade of the catalogue at its starting values, or null for an id
    // the catalogue does not sell.
    static std::unique_ptr<Upgrade> make(const std::string &id);

    Upgrade *get(const std::string &id) const;
    // Neighbours in catalogue order, wrapping at both ends. An unknown id
    // leads to the first entry either way.
    std::string getNext(const std::string &id) const;
    std::string getPrev(const std::string &id) const;
};
