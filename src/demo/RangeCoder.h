#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A binary range coder for the demo's tics (LZMA's, in outline): each bit is
// coded against an adaptive probability, an 11-bit chance of a zero that
// moves a 32nd (or a 16th, with `adapt` 4) of the way towards every bit it
// sees, and faster over its first few, so a bit that nearly always comes out
// the same costs a small fraction of one. Integers throughout: every build
// codes and decodes the same bytes.
struct RangeCoder {
    using Odds = uint16_t;  // the chance of a zero in the low 11 bits, the bits seen above
    static constexpr int kOddsBits = 11;
    static constexpr Odds kEven = 1u << (kOddsBits - 1);  // a fresh probability: even, no bit seen yet
    static constexpr int kAdapt = 5;                      // the usual pace; any from 1 to 10 keeps the odds off 0 and 1

    // Writes the coded bits after whatever `out` holds.
    class Encoder {
    public:
        explicit Encoder(std::string *out) : out(out) {}
        void bit(Odds *odds, unsigned bit, int adapt = kAdapt);
        // `count` bits of `value`, high first, each as likely as not.
        void plain(uint32_t value, int count);
        // The last of the coded bits; nothing may be coded after.
        void finish();

    private:
        std::string *out;
        uint64_t low = 0;
        uint32_t range = 0xffffffffu;
        uint8_t held = 0;         // the byte that a carry may yet raise
        std::size_t pending = 1;  // it, and the 0xff bytes after it that the carry would pass through

        void shift();
    };

    // Reads coded bits from in[at, end). Reading past `end`, or a stream that
    // no encoder began, gives zeros and clears `ok`. Every bit narrows the
    // range by 15 parts in 2048 at least (adapt 4; more at 5), and a byte is
    // read for every 256-fold narrowing, so a reader that stops once `ok`
    // clears takes some 760 bits a byte at most, however damaged the stream.
    class Decoder {
    public:
        Decoder(const std::string &in, std::size_t at, std::size_t end);
        unsigned bit(Odds *odds, int adapt = kAdapt);
        uint32_t plain(int count);
        // Whether every byte was read and no read went past the end.
        bool wholeAndOk() const { return ok && at == end; }
        bool ok = true;

    private:
        const std::string &in;
        std::size_t at, end;
        uint32_t range = 0xffffffffu;
        uint32_t code = 0;

        unsigned next();
    };

    // The coder's two directions behind one face, so that what is read goes
    // through the very steps that wrote it: writing codes the value given and
    // hands it back, reading ignores it and hands back what it read.
    struct Writing {
        Encoder &coder;
        unsigned bit(Odds *odds, unsigned bit, int adapt = kAdapt)
        {
            coder.bit(odds, bit, adapt);
            return bit;
        }
        uint32_t plain(uint32_t value)
        {
            coder.plain(value, 32);
            return value;
        }
    };
    struct Reading {
        Decoder &coder;
        unsigned bit(Odds *odds, unsigned, int adapt = kAdapt) { return coder.bit(odds, adapt); }
        uint32_t plain(uint32_t) { return coder.plain(32); }
    };

    // `bits` bits of `value`, high first, each under the odds at its place in
    // the tree of the bits above it (`nodes` holds 2^bits).
    template <class Coder> static unsigned tree(Coder &c, Odds *nodes, int bits, unsigned value, int adapt = kAdapt)
    {
        unsigned node = 1;
        for (int i = bits - 1; i >= 0; --i)
            node = (node << 1) | c.bit(&nodes[node], (value >> i) & 1, adapt);
        return node - (1u << bits);
    }

    // Every probability in a table back to its first guess.
    static void even(Odds &odds) { odds = kEven; }
    template <class T, std::size_t N> static void even(T (&table)[N])
    {
        for (T &row : table)
            even(row);
    }
};
