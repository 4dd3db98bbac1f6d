#pragma once

#include <string>
#include <string_view>

// Answers in gzip (zlib's), for clients that take it and types that shrink.
// Never brotli: at its slowest setting it cost 230 ms of a core for the
// page's 200 KB script, where gzip takes 8 ms.
class Gzip {
public:
    // Whether an Accept-Encoding header takes gzip (and does not refuse it with q=0).
    static bool accepted(std::string_view acceptEncoding);
    // Text, JSON, JavaScript and SVG shrink. Pictures, sounds and packed data
    // barely do; wasm would, but the game's is megabytes, seconds of a core
    // a minute for each address at its GET limit, compressed afresh each time.
    static bool compressible(std::string_view contentType);
    static std::string compress(std::string_view data);
};
