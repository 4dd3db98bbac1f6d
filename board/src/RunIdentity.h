#pragma once

#include <string>
#include <vector>

#include "demo/DemoFile.h"

// A run named by what it did, not by its bytes: the day, then each mark's
// kind, level and the digest of the state it left, chained. Two demos whose
// play came out the same share every link, whatever input play never read
// (a key the screen ignored, the pointer between shots) or how the bytes were
// packed; a demo cut short at a mark shares the links of the run it was cut
// from. The marks' digests are what verification checks, so once a run has
// verified its links are its own.
class RunIdentity {
public:
    // One link after each mark, as 64 hex digits; the last names the run.
    static std::vector<std::string> links(const DemoFile &demo);
};
