#pragma once

#include <cstdint>

#include "economy/Inventory.h"
#include "economy/Upgrades.h"
#include "level/GameRunner.h"

// A 64-bit FNV-1a fingerprint of everything a run's play has made: the level,
// the purse and the catalogue's purchases, the player, the gun and the camera,
// every bird, bullet, coin, death and potion ring, the hit-stop and the run's
// tally. Floats go in by their bits, so two runs share a digest only when
// they went exactly alike.
class StateDigest {
public:
    uint64_t value = 14695981039346656037ull;

    void add(uint64_t v);
    void add(float v);

    static uint64_t of(const GameRunner &runner, const Inventory &inventory, const Upgrades &upgrades);
};
