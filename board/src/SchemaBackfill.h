#pragma once

#include "Database.h"

// The steps of the schema that need the game's own code, run by Migrations
// inside its transaction like the steps in SQL.
class SchemaBackfill {
public:
    // Every run's links (RunIdentity), read from its stored demo; a demo
    // this build cannot read leaves its run named by its run_hash alone.
    static void links(Database &db);
    // Every name's folded form computed again with PlayerRules::foldName,
    // noting its foldVersion. Where names that were told apart now fold
    // alike, the earliest claim (then the lowest name) keeps the folded form
    // and each later one is kept under that form, a control character and
    // its number among them (a key no name folds to): its runs stay as they
    // are, and the name is the first's.
    static void names(Database &db);
    // names, when the fold has changed since (ICU's Unicode data with it).
    static void refoldIfStale(Database &db);
};
