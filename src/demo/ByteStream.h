#pragma once

#include <cstdint>
#include <string>

// Little-endian numbers into and out of a demo's body. Reading past the end
// gives zeros and clears `ok`, so a damaged body is refused once, at the end.
struct ByteWriter {
    std::string out;
    void u8(unsigned v) { out.push_back(char(v & 0xff)); }
    void u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            u8(v >> (8 * i));
    }
    void u64(uint64_t v)
    {
        u32(uint32_t(v));
        u32(uint32_t(v >> 32));
    }
};

struct ByteReader {
    const std::string &in;
    std::size_t at = 0;
    bool ok = true;
    unsigned u8()
    {
        if (at >= in.size()) {
            ok = false;
            return 0;
        }
        return uint8_t(in[at++]);
    }
    uint32_t u32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= uint32_t(u8()) << (8 * i);
        return v;
    }
    uint64_t u64()
    {
        const uint64_t low = u32();
        return low | (uint64_t(u32()) << 32);
    }
};
