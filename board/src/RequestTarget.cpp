#include "RequestTarget.h"

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string RequestTarget::decode(std::string_view text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const int high = c == '%' && i + 2 < text.size() ? hexDigit(text[i + 1]) : -1;
        const int low = high >= 0 ? hexDigit(text[i + 2]) : -1;
        if (low >= 0) {
            out += char(high * 16 + low);
            i += 2;
        } else {
            out += plusIsSpace && c == '+' ? ' ' : c;  // a stray '%' stands for itself
        }
    }
    return out;
}

RequestTarget::RequestTarget(std::string_view target)
{
    const std::size_t question = target.find('?');
    path = decode(target.substr(0, question), false);
    valid = !path.empty() && path[0] == '/' && path.find('\0') == std::string::npos;
    if (question == std::string_view::npos) return;
    std::string_view query = target.substr(question + 1);
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (pair.empty()) continue;
        const std::size_t equals = pair.find('=');
        params.emplace_back(decode(pair.substr(0, equals), true),
                            equals == std::string_view::npos ? "" : decode(pair.substr(equals + 1), true));
    }
}

bool RequestTarget::has(std::string_view name) const
{
    for (const auto &[key, value] : params)
        if (key == name) return true;
    return false;
}

std::string RequestTarget::value(std::string_view name) const
{
    for (const auto &[key, value] : params)
        if (key == name) return value;
    return "";
}
