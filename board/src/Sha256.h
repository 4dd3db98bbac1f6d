#pragma once

#include <string>

// SHA-256 through OpenSSL, as 64 lowercase hex digits: how the board keeps a
// player's key (never the key itself) and names a run by its content.
class Sha256 {
public:
    static std::string hex(const std::string &bytes);
};
