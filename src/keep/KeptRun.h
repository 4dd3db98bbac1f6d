#pragma once

#include <optional>
#include <string>

#include "economy/Inventory.h"
#include "economy/Upgrades.h"
#include "level/GameRunner.h"
#include "record/SavedRun.h"

// The run NEW GAME would continue, kept on disk so that it outlives the
// program. Game keeps it whenever play begins or a screen changes and once
// more on the way out, and forgets it when the run is lost; quitting during
// a level leaves the copy taken as that level began.
class KeptRun {
public:
    std::string path;
    std::optional<SavedRun> onDisk;  // what the file holds, as far as this game knows

    // The run as NEW GAME would continue it now: the level after the
    // runner's, with today's gold, potions, health and purchases.
    static SavedRun of(const GameRunner &runner, const Inventory &inventory, const Upgrades &upgrades);
    // Sets the game up so that NEW GAME continues `run`, its purchases made
    // again through the catalogue. False, changing nothing, when the run
    // names an upgrade the catalogue lacks or more purchases of one than a
    // run could ever pay for.
    static bool apply(const SavedRun &run, GameRunner &runner, Inventory &inventory, Upgrades &upgrades,
                      std::string *problem);

    // Reads the file and applies it. A damaged file is reported in one line
    // on standard output, left as it is and ignored: the game starts afresh.
    bool restore(GameRunner &runner, Inventory &inventory, Upgrades &upgrades);
    // Writes the run unless the file already holds it; a run at its very
    // start needs no file, so one kept before is removed.
    void keep(const SavedRun &run);
    // The run is lost: its file goes.
    void forget();
};
