#pragma once

#include <string>

// The addresses the game may send a run to, wherever one is given (the
// command line, the options file): http:// or https://, then a host, in
// printable ASCII and at most 512 bytes.
struct WebAddress {
    static bool valid(const std::string &url);
};
