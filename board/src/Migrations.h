#pragma once

#include "Database.h"

// The board's schema, version by version. `apply` brings a database of any
// earlier version (or an empty one) up to the latest in one transaction
// under the write lock, so servers starting together migrate it once. A
// database newer than this server is refused rather than misread.
class Migrations {
public:
    static int latest();
    // The version the database is at afterwards; throws on failure. A
    // `target` short of the latest stops there (for testing a later step
    // on what an earlier schema held).
    static int apply(Database &db, int target = latest());
};
