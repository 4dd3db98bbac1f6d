#pragma once

// What the process needs from its system before anything else runs: on
// POSIX systems a file size limit must fail a write rather than kill the
// game; on Windows the program has no console of its own (it starts by
// double-click without a window behind it), so --help, --version and
// --verify print to the console of the terminal that started it, if any.
void SetUpProcess();
