// Feeds arbitrary bytes to the demo reader: a refusal says why in one line and
// changes nothing; a demo it accepts is written and read back unchanged.
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "demo/DemoFile.h"

namespace {

// Random bytes almost never carry the right check sum, so half the inputs get
// it put right, letting the fuzzer reach the body behind it.
void fixCheckSum(std::string &bytes)
{
    const std::size_t crcAt = bytes.find("\ncrc "), endAt = bytes.find("\nend\n");
    if (crcAt == std::string::npos || endAt != crcAt + 13) return;
    const uLong crc = crc32(crc32(0, reinterpret_cast<const Bytef *>(bytes.data()), uInt(crcAt + 1)),
                            reinterpret_cast<const Bytef *>(bytes.data() + endAt + 5), uInt(bytes.size() - endAt - 5));
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08lx", crc);
    bytes.replace(crcAt + 5, 8, hex);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char *>(data), size);
    if (size % 2 == 1) fixCheckSum(bytes);
    for (const bool headerOnly : {true, false}) {
        DemoFile read;
        std::string problem;
        if (!read.decode(bytes, &problem, headerOnly)) {
            if (problem.empty() || problem.find('\n') != std::string::npos || !(read == DemoFile{})) std::abort();
            continue;
        }
        if (read.start < 1 || read.tics.size() > DemoFile::kMaxTics) std::abort();
        if (headerOnly) continue;
        DemoFile back;
        if (!back.decode(read.encode(), &problem) || !(back == read)) std::abort();
    }
    return 0;
}
