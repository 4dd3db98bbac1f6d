#include "system/SaveFolder.h"

#include "system/SafeFile.h"

SaveFolder SaveFolder::choose(bool installed, const char *xdgDataHome, const char *home)
{
    SaveFolder folder;
    if (!installed) return folder;
    // A relative XDG_DATA_HOME is invalid and is ignored, as the XDG base
    // directory rules ask; it would otherwise land wherever the game started.
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/') {
        folder.dir = std::string(xdgDataHome) + "/tallowfen";
    } else if (home != nullptr && home[0] == '/') {
        folder.dir = std::string(home) + "/.local/share/tallowfen";
    } else {
        // Nowhere to keep saves. Nothing can be made below /dev/null, not
        // even by root, so each save fails visibly instead of landing
        // somewhere unexpected.
        folder.dir = "/dev/null/tallowfen";
        folder.problem = "Tallowfen cannot keep saves: neither XDG_DATA_HOME nor HOME names a folder; "
                         "playing on without saving.";
    }
    return folder;
}

bool SaveFolder::make()
{
    if (!problem.empty()) return false;
    const std::string why = MakeFolder(dir);
    if (why.empty()) return true;
    problem = "Tallowfen cannot make its save folder " + dir + ": " + why + "; playing on without saving.";
    return false;
}
