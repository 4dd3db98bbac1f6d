#pragma once

#include "economy/Upgrade.h"

// Chance that one gold drop attempt yields a coin; each purchase closes a tenth of the gap to certainty.
class Upgrade_Gold_Spawns : public Upgrade {
public:
    Upgrade_Gold_Spawns();

    void buy(Inventory &inventory) override;
};
