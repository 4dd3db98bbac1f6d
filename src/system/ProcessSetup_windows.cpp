#include "system/ProcessSetup.h"

#include <windows.h>

#include <cstdio>

namespace {

// Whether a standard handle leads somewhere: a terminal, a file or a pipe
// handed over by whoever started the game.
bool connected(DWORD which)
{
    const HANDLE handle = GetStdHandle(which);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void SetUpProcess()
{
    // Output redirected to a file or a pipe already has its handles; a
    // program started from a terminal has none and takes the terminal's.
    if (connected(STD_OUTPUT_HANDLE) || !AttachConsole(ATTACH_PARENT_PROCESS)) return;
    std::FILE *ignored = nullptr;
    freopen_s(&ignored, "CONOUT$", "w", stdout);
    freopen_s(&ignored, "CONOUT$", "w", stderr);
    // The terminal's prompt came back when the program started: start on a fresh line below it.
    std::fputs("\n", stdout);
}
