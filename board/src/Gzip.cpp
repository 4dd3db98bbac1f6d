#include "Gzip.h"

#include <zlib.h>

#include <stdexcept>

namespace {

std::string_view trimmed(std::string_view text)
{
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) return {};
    return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

bool sameLetters(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if ((a[i] | 0x20) != (b[i] | 0x20)) return false;
    return true;
}

}  // namespace

bool Gzip::accepted(std::string_view acceptEncoding)
{
    while (!acceptEncoding.empty()) {
        const std::size_t comma = acceptEncoding.find(',');
        const std::string_view item = acceptEncoding.substr(0, comma);
        acceptEncoding = comma == std::string_view::npos ? std::string_view() : acceptEncoding.substr(comma + 1);
        const std::size_t semicolon = item.find(';');
        if (!sameLetters(trimmed(item.substr(0, semicolon)), "gzip")) continue;
        if (semicolon == std::string_view::npos) return true;
        // "q=0", "q=0.0", "q=0.000": refused; any other weight takes it.
        const std::string_view weight = trimmed(item.substr(semicolon + 1));
        if (weight.size() < 3 || (weight[0] | 0x20) != 'q' || weight[1] != '=') return true;
        return weight.substr(2).find_first_not_of("0.") != std::string_view::npos;
    }
    return false;
}

bool Gzip::compressible(std::string_view contentType)
{
    const std::string_view type = trimmed(contentType.substr(0, contentType.find(';')));
    for (const std::string_view shrinks :
         {"application/json", "application/javascript", "image/svg+xml", "application/xml"})
        if (type == shrinks) return true;
    return type.starts_with("text/");
}

std::string Gzip::compress(std::string_view data)
{
    z_stream z{};
    // 15 bits of window, +16 for gzip's header and trailer rather than zlib's.
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("zlib could not start");
    std::string out(deflateBound(&z, uLong(data.size())), '\0');
    z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.data()));
    z.avail_in = uInt(data.size());
    z.next_out = reinterpret_cast<Bytef *>(out.data());
    z.avail_out = uInt(out.size());
    const int done = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (done != Z_STREAM_END) throw std::runtime_error("zlib could not compress an answer");
    return out;
}
