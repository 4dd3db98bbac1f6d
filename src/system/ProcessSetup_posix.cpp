#include "system/ProcessSetup.h"

#include <csignal>

void SetUpProcess()
{
    // A file size limit makes a write fail instead of killing the game, so a
    // save that does not fit is reported and the old file kept.
    std::signal(SIGXFSZ, SIG_IGN);
}
