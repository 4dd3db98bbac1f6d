#include "demo/RangeCoder.h"

namespace {

constexpr uint32_t kTop = 1u << 24;  // below this the range takes in another byte
constexpr unsigned kOne = 1u << RangeCoder::kOddsBits;

// The odds after seeing `bit`. Their top bits count the bits seen, up to 31:
// the first moves them halfway, the next a quarter of the way and so on down
// to the pace asked for, so a fresh chunk learns fast and then settles.
RangeCoder::Odds Learn(RangeCoder::Odds odds, unsigned bit, int adapt)
{
    const unsigned seen = odds >> RangeCoder::kOddsBits;
    const unsigned pace = seen + 1 < unsigned(adapt) ? seen + 1 : unsigned(adapt);
    unsigned p = odds & (kOne - 1);
    p = bit ? p - (p >> pace) : p + ((kOne - p) >> pace);
    return RangeCoder::Odds(p | (seen < 31 ? seen + 1 : 31) << RangeCoder::kOddsBits);
}

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
    const uint32_t bound = (range >> kOddsBits) * (*odds & (kOne - 1));
    if (bit == 0) {
        range = bound;
    } else {
        low += bound;
        range -= bound;
    }
    *odds = Learn(*odds, bit, adapt);
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
    const uint32_t bound = (range >> kOddsBits) * (*odds & (kOne - 1));
    const unsigned bit = code >= bound;
    if (bit == 0) {
        range = bound;
    } else {
        code -= bound;
        range -= bound;
    }
    *odds = Learn(*odds, bit, adapt);
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
