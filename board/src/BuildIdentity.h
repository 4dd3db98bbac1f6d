#pragma once

#include <string>
#include <vector>

#include "Refusal.h"

// The build that recorded a run, as the board shows it: one of a fixed set
// of identities, checked when the run arrives, so no byte of a demo's
// header reaches the page or the API. The game's version must be the one
// this board verifies with: a run is checked by this version's rules and no
// other's. The platform only says where a run was played (every build plays
// every demo alike), so one that no build writes is no reason to turn a
// verified run away; it shows as "unknown platform", never as its bytes.
class BuildIdentity {
public:
    static constexpr const char *kUnknownPlatform = "unknown platform";

    // The build column for a demo's `game` and `platform` lines, or a
    // refusal (422 unknown_build) for a game this board does not verify.
    static Refusal of(const std::string &game, const std::string &platform, std::string *build);
    // The game versions this board verifies: its own.
    static std::vector<std::string> games();
    // What DemoFile::thisPlatform writes on every build: the library, then
    // the machine.
    static std::vector<std::string> platforms();
};
