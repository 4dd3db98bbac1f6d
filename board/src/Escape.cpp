#include "Escape.h"

#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <cstdio>
#include <stdexcept>

std::string Escape::utf8(const std::string &text)
{
    if (text.size() > 1u << 30) throw std::length_error("text too long to escape");
    std::u16string units(text.size(), u'\0');  // never more units than bytes, a U+FFFD a bad byte at most
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(units.data(), int32_t(units.size()), &length, text.data(), int32_t(text.size()), 0xfffd,
                         nullptr, &status);
    if (U_FAILURE(status)) throw std::runtime_error(std::string("ICU cannot read text: ") + u_errorName(status));
    std::string out;
    return icu::UnicodeString(units.data(), length).toUTF8String(out);
}

std::string Escape::json(const std::string &text)
{
    std::string out = "\"";
    for (const char c : utf8(text)) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (u < 0x20 || c == '<' || c == '>' || c == '&' || u == 0x7f) {
            // Also the HTML characters: the JSON stays inert if a page ever embeds it.
            char code[8];
            std::snprintf(code, sizeof code, "\\u%04x", unsigned(u));
            out += code;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string Escape::html(const std::string &text)
{
    std::string out;
    for (const char c : utf8(text)) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string Escape::url(const std::string &text)
{
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~' || c == '/') {
            out += c;
        } else {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", unsigned(u));
            out += code;
        }
    }
    return out;
}
