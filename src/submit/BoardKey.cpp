#include "submit/BoardKey.h"

#include <random>

#include "system/SafeFile.h"

bool BoardKey::valid(const std::string &key)
{
    if (key.size() != kDigits) return false;
    for (char c : key)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

std::string BoardKey::loadOrMake(const std::string &path, std::string *problem)
{
    std::string text, why;
    if (ReadPlainFile(path.c_str(), 64, &text, &why)) {
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (valid(text)) return text;
    }
    // The system's entropy, never the simulation's generator: a key must not be guessable.
    std::random_device device;
    static const char kHex[] = "0123456789abcdef";
    std::string key;
    while (key.size() < kDigits) {
        unsigned bits = device();
        for (int i = 0; i < 8; ++i, bits >>= 4) key += kHex[bits & 15u];
    }
    if (!WriteFileSafely(path.c_str(), key + "\n", &why, true)) {
        if (problem) *problem = why;
        return "";
    }
    return key;
}
