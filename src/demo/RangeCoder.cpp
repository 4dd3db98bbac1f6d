#include "demo/RangeCoder.h"

namespace {

constexpr uint32_t kTop = 1u << 24;  // below this the range takes in another byte

}  // namespace

void RangeCoder::Encoder::shift()
{
    // The top byte of `low` is final unless a carry may still come into it.
    if (uint32_t(low) < 0xff000000u || (low >> 32) != 0) {
        const uint8_t carry = uint8_t(low >> 32);
        for (uint8_t byte = held; pending > 0; --pending, byte = 0xff)
            out->push_back(char(uint8_t(byte + carry)));
        held = uint8_t(low >> 24);
    }
    ++pending;
    low = (low & 0x00ffffffu) << 8;
}

void RangeCoder::Encoder::bit(Odds *odds, unsigned bit, int adapt)
{
    const uint32_t bound = (range >> kOddsBits) * *odds;
    if (bit == 0) {
        range = bound;
        *odds = Odds(*odds + (((1u << kOddsBits) - *odds) >> adapt));
    } else {
        low += bound;
        range -= bound;
        *odds = Odds(*odds - (*odds >> adapt));
    }
    while (range < kTop) {
        range <<= 8;
        shift();
    }
}

void RangeCoder::Encoder::plain(uint32_t value, int count)
{
    while (count-- > 0) {
        range >>= 1;
        if ((value >> count) & 1) low += range;
        while (range < kTop) {
            range <<= 8;
            shift();
        }
    }
}

void RangeCoder::Encoder::finish()
{
    for (int i = 0; i < 5; ++i)
        shift();
}

RangeCoder::Decoder::Decoder(const std::string &in, std::size_t at, std::size_t end) : in(in), at(at), end(end)
{
    // The encoder's first byte is the one no carry reached: always zero.
    ok = next() == 0;
    for (int i = 0; i < 4; ++i)
        code = (code << 8) | next();
}

unsigned RangeCoder::Decoder::next()
{
    if (at >= end) {
        ok = false;
        return 0;
    }
    return uint8_t(in[at++]);
}

unsigned RangeCoder::Decoder::bit(Odds *odds, int adapt)
{
    const uint32_t bound = (range >> kOddsBits) * *odds;
    unsigned bit;
    if (code < bound) {
        range = bound;
        *odds = Odds(*odds + (((1u << kOddsBits) - *odds) >> adapt));
        bit = 0;
    } else {
        code -= bound;
        range -= bound;
        *odds = Odds(*odds - (*odds >> adapt));
        bit = 1;
    }
    while (range < kTop) {
        range <<= 8;
        code = (code << 8) | next();
    }
    return bit;
}

uint32_t RangeCoder::Decoder::plain(int count)
{
    uint32_t value = 0;
    while (count-- > 0) {
        range >>= 1;
        const unsigned bit = code >= range;
        if (bit) code -= range;
        value = (value << 1) | bit;
        while (range < kTop) {
            range <<= 8;
            code = (code << 8) | next();
        }
    }
    return value;
}
