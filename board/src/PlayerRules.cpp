#include "PlayerRules.h"

#include <cstdint>
#include <vector>

namespace {

// The code points of `text`, or false when it is not well-formed UTF-8
// (overlong forms, surrogates and values past U+10FFFF included).
bool decodeUtf8(const std::string &text, std::vector<char32_t> *out)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = [&](std::size_t at) { return uint8_t(text[at]); };
        const uint8_t lead = byte(i);
        int extra = 0;
        char32_t cp = 0, least = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xe0) == 0xc0) {
            extra = 1, cp = lead & 0x1f, least = 0x80;
        } else if ((lead & 0xf0) == 0xe0) {
            extra = 2, cp = lead & 0x0f, least = 0x800;
        } else if ((lead & 0xf8) == 0xf0) {
            extra = 3, cp = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        for (int k = 1; k <= extra; ++k) {
            if (i + std::size_t(k) >= text.size() || (byte(i + std::size_t(k)) & 0xc0) != 0x80) return false;
            cp = (cp << 6) | (byte(i + std::size_t(k)) & 0x3f);
        }
        if (cp < least || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return false;
        out->push_back(cp);
        i += std::size_t(extra) + 1;
    }
    return true;
}

// What may stand in a name: no control characters, no invisible ones that
// would let two names look alike, no marks that turn the text around it.
bool printable(char32_t c)
{
    if (c < 0x20 || (c >= 0x7f && c <= 0xa0) || c == 0xad) return false;
    if ((c >= 0x200b && c <= 0x200f) || (c >= 0x2028 && c <= 0x202e) || (c >= 0x2060 && c <= 0x206f)) return false;
    if (c == 0xfeff || (c >= 0xfff0 && c <= 0xffff) || (c >= 0xe000 && c <= 0xf8ff)) return false;
    if ((c & 0xfffe) == 0xfffe || c >= 0xf0000) return false;  // non-characters and the private planes
    return true;
}

}  // namespace

bool PlayerRules::cleanName(const std::string &raw, std::string *name, std::string *problem)
{
    const auto refuse = [&](const char *why) {
        *problem = why;
        return false;
    };
    if (raw.size() > kMaxNameBytes) return refuse("the name is longer than 16 characters");
    std::vector<char32_t> points;
    if (!decodeUtf8(raw, &points)) return refuse("the name is not UTF-8");
    const auto isSpace = [](char32_t c) { return c == ' ' || c == '\t'; };
    std::size_t first = 0, last = points.size();
    while (first < last && isSpace(points[first]))
        ++first;
    while (last > first && isSpace(points[last - 1]))
        --last;
    if (first == last) return refuse("the name is empty");
    if (last - first > std::size_t(kMaxNameCharacters)) return refuse("the name is longer than 16 characters");
    for (std::size_t i = first; i < last; ++i)
        if (!printable(points[i])) return refuse("the name has a character that cannot be shown");
    // The bytes of the trimmed code points: the leading and trailing spaces are one byte each.
    const std::size_t trailing = points.size() - last;
    *name = raw.substr(first, raw.size() - first - trailing);
    return true;
}

std::string PlayerRules::foldName(const std::string &name)
{
    std::string folded = name;
    for (char &c : folded)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return folded;
}

bool PlayerRules::validKey(const std::string &key)
{
    if (key.size() != 32) return false;
    for (char c : key)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}
