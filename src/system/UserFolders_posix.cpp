#include "system/UserFolders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace {

// HOME, or the account's home when HOME is unset, as the XDG rules expect.
const char *homeFolder()
{
    if (const char *home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
    const passwd *account = getpwuid(getuid());
    return account != nullptr ? account->pw_dir : nullptr;
}

}  // namespace

SaveFolder UserFolders::saves(bool installed)
{
    return SaveFolder::choose(installed, std::getenv("XDG_DATA_HOME"), homeFolder());
}

PicturesFolder UserFolders::pictures()
{
    return PicturesFolder::choose(std::getenv("XDG_PICTURES_DIR"), std::getenv("XDG_CONFIG_HOME"), homeFolder(),
                                  PicturesFolder::readFile);
}
