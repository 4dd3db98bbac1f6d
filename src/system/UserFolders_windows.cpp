#include "system/UserFolders.h"

#include <windows.h>
// After windows.h, which it needs.
#include <knownfolders.h>
#include <shlobj.h>

#include "system/WidePath.h"

namespace {

// A known folder's path in UTF-8 with forward slashes, "" when Windows has none.
std::string knownFolder(REFKNOWNFOLDERID id)
{
    PWSTR path = nullptr;
    std::string found;
    if (SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path) == S_OK) found = NarrowPath(path);
    CoTaskMemFree(path);
    return found;
}

}  // namespace

SaveFolder UserFolders::saves(bool)
{
    SaveFolder folder;
    const std::string appData = knownFolder(FOLDERID_RoamingAppData);
    if (appData.empty()) {
        // Nothing can be made inside NUL, so each save fails visibly.
        folder.dir = "NUL/Tallowfen";
        folder.problem = "Tallowfen cannot keep saves: Windows names no application data folder; "
                         "playing on without saving.";
    } else {
        folder.dir = appData + "/Tallowfen";
    }
    return folder;
}

PicturesFolder UserFolders::pictures()
{
    PicturesFolder folder;
    const std::string pictures = knownFolder(FOLDERID_Pictures);
    if (pictures.empty()) {
        folder.problem = "Tallowfen cannot save pictures: Windows names no Pictures folder.";
    } else {
        folder.dir = pictures + "/Tallowfen";
    }
    return folder;
}
