#pragma once

#include <string>

#include "economy/Inventory.h"

// One shop upgrade: its current value, the price of the next purchase and
// how a purchase changes both. Each concrete upgrade overrides buy.
class Upgrade {
public:
    float current = 0.0f;
    int cost = 0;
    std::string id;
    std::string name;
    std::string texID;
    int bought = 0;  // purchases so far, kept with a run on disk

    Upgrade() = default;
    virtual ~Upgrade() = default;

    // Charges the price before the purchase; the caller has already checked
    // that the inventory can afford it.
    virtual void buy(Inventory &inventory);

    float getCurrent() const;
    int getCost() const;
    std::string getId() const;
    std::string getName() const;
    std::string getTexID() const;
};
