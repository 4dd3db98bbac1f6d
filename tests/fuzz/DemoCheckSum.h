// Random bytes almost never carry a demo's right check sum: the demo targets
// put it right in half their inputs, letting the fuzzer reach what lies
// behind it.
#pragma once

#include <zlib.h>

#include <cstdio>
#include <string>

namespace fuzz {

// Sets the "crc" line of a demo's header to the sum of its bytes, when the
// header has one where a demo has it.
inline void FixCheckSum(std::string &bytes)
{
    const std::size_t crcAt = bytes.find("\ncrc "), endAt = bytes.find("\nend\n");
    if (crcAt == std::string::npos || endAt != crcAt + 13) return;
    const uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef *>(bytes.data()), uInt(crcAt + 1)),
                            reinterpret_cast<const Bytef *>(bytes.data() + endAt + 5), uInt(bytes.size() - endAt - 5));
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08lx", crc);
    bytes.replace(crcAt + 5, 8, hex);
}

}  // namespace fuzz
