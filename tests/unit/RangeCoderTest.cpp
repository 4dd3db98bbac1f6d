// The range coder and the tics coded through it: what is written is read
// back to the bit, and a stream cut anywhere is refused.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "demo/RangeCoder.h"
#include "demo/TicCodec.h"

namespace {

// A bit to code, the probability it goes under, and at which pace that follows.
struct Coded {
    unsigned bit;
    int odds;
    int adapt;
};

std::vector<Coded> Bits(int count, const std::function<Coded(int, std::mt19937 &)> &make)
{
    std::mt19937 random(5);
    std::vector<Coded> bits;
    for (int i = 0; i < count; ++i)
        bits.push_back(make(i, random));
    return bits;
}

TEST(RangeCoder, ReadsBackWhatItWroteAndNoMore)
{
    const uint32_t plains[] = {0, 1, 0x80000000u, 0xffffffffu, 0x12345678u};
    const std::vector<std::pair<const char *, std::vector<Coded>>> cases = {
        {"nothing", {}},
        {"one bit", {{1, 0, 5}}},
        {"all zeros", Bits(100000,
                           [](int, std::mt19937 &) {
                               return Coded{0, 0, 5};
                           })},
        {"all ones", Bits(100000,
                          [](int, std::mt19937 &) {
                              return Coded{1, 0, 4};
                          })},
        {"alternating", Bits(5000,
                             [](int i, std::mt19937 &) {
                                 return Coded{unsigned(i & 1), 1, 5};
                             })},
        {"random", Bits(50000,
                        [](int i, std::mt19937 &r) {
                            return Coded{unsigned(r() & 1), i % 7, 4 + i % 2};
                        })},
        // Long runs of likely bits broken by unlikely ones: carries through runs of 0xff.
        {"skewed", Bits(200000,
                        [](int i, std::mt19937 &r) {
                            return Coded{r() % 97 == 0, i % 3, 5};
                        })},
    };
    for (const auto &[what, bits] : cases) {
        std::string stream = "kept";  // what the stream goes after stays
        std::vector<RangeCoder::Odds> odds(8, RangeCoder::kEven);
        RangeCoder::Encoder encoder(&stream);
        for (std::size_t i = 0; i < bits.size(); ++i) {
            encoder.bit(&odds[std::size_t(bits[i].odds)], bits[i].bit, bits[i].adapt);
            if (i % 1000 == 0) encoder.plain(plains[i / 1000 % 5], 32);
        }
        encoder.finish();
        ASSERT_EQ(stream.substr(0, 4), "kept") << what;
        const auto readBack = [&, &bits = bits](std::size_t end) {
            RangeCoder::Decoder decoder(stream, 4, end);
            std::vector<RangeCoder::Odds> read(8, RangeCoder::kEven);
            bool same = true;
            for (std::size_t i = 0; i < bits.size() && decoder.ok; ++i) {
                same &= decoder.bit(&read[std::size_t(bits[i].odds)], bits[i].adapt) == bits[i].bit;
                if (i % 1000 == 0) same &= decoder.plain(32) == plains[i / 1000 % 5];
            }
            return same && decoder.wholeAndOk();
        };
        EXPECT_TRUE(readBack(stream.size())) << what;
        for (std::size_t end = 4; end < stream.size(); end += 1 + (end - 4) / 16)
            EXPECT_FALSE(readBack(end)) << what << " cut at " << end;
    }
    std::string skewed;
    RangeCoder::Encoder encoder(&skewed);
    RangeCoder::Odds odds = RangeCoder::kEven;
    for (int i = 0; i < 100000; ++i)
        encoder.bit(&odds, 0);
    encoder.finish();
    EXPECT_LT(skewed.size(), 400u);  // a bit that never changes costs next to nothing
}

uint32_t Bits(float v) { return std::bit_cast<uint32_t>(v); }

std::vector<InputTic> Tics(int count, const std::function<void(int, InputTic &, std::mt19937 &)> &make)
{
    std::mt19937 random(11);
    std::vector<InputTic> made(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        make(i, made[std::size_t(i)], random);
    return made;
}

TEST(TicCodec, ReadsBackEveryTicToTheBit)
{
    const float far[] = {0.0f, -0.0f, 0.1f, 1e-40f, -InputTic::kMaxPointer, InputTic::kMaxPointer, 999999.875f, 3.5f};
    const float steps[] = {0.0f, 1e-40f, 1.0f / 60.0f, 1.0f / 30.0f, 0.0166f, 1.0f, InputTic::kMaxStep, 1e-3f};
    const std::vector<std::pair<const char *, std::vector<InputTic>>> cases = {
        {"no tic", {}},
        {"one still tic", {InputTic{}}},
        {"every field at its most",
         Tics(3,
              [](int, InputTic &t, std::mt19937 &) {
                  t.keyHeld = t.keyPressed = t.padHeld = t.padPressed = 0xff, t.pad = 31, t.click = 1;
                  t.padWalkX = t.padWalkY = t.padMenuX = t.padMenuY = -1, t.padAimX = t.padAimY = -127;
                  t.screenWidth = t.screenHeight = 65535, t.mouseX = t.mouseY = InputTic::kMaxPointer;
                  t.step = InputTic::kMaxStep;
              })},
        {"values set aside and far jumps", Tics(64,
                                                [&](int i, InputTic &t, std::mt19937 &) {
                                                    t.mouseX = far[i % 8], t.mouseY = far[i / 8],
                                                    t.step = steps[(i + i / 8) % 8];
                                                })},
        {"anything a recording may hold",
         Tics(3000,
              [](int, InputTic &t, std::mt19937 &r) {
                  t.keyHeld = uint8_t(r()), t.keyPressed = uint8_t(r()), t.padHeld = uint8_t(r());
                  t.padPressed = uint8_t(r()), t.pad = uint8_t(r() % 32), t.click = uint8_t(r() % 2);
                  t.padWalkX = int8_t(int(r() % 3) - 1), t.padMenuY = int8_t(int(r() % 3) - 1);
                  t.padAimX = int8_t(int(r() % 255) - 127), t.screenWidth = uint16_t(r());
                  t.mouseX = float(int(r() % 16000000) - 8000000) / 8.0f,
                  t.mouseY = float(int(r() % 2000) - 1000) / 3.0f;
                  t.step = std::bit_cast<float>(uint32_t(r() % 0x45610000u));  // up to an hour
              })},
        {"ten seconds of a hand on the mouse",
         Tics(600,
              [](int i, InputTic &t, std::mt19937 &r) {
                  t.keyHeld = uint8_t(1u << (i / 40 % 4)), t.keyPressed = i % 40 == 0 ? t.keyHeld : 0;
                  t.mouseX = float(400 + i % 97 * 3), t.mouseY = float(300 - i % 53), t.screenWidth = 800;
                  t.step = std::bit_cast<float>(uint32_t(Bits(1.0f / 60.0f) + r() % 400));
              })},
    };
    for (const auto &[what, tics] : cases) {
        std::string stream;
        TicCodec::pack(InputTic{}, tics.data(), tics.size(), &stream);
        std::vector<InputTic> read;
        std::size_t at = 0;
        ASSERT_TRUE(TicCodec::unpack(stream, &at, tics.size(), InputTic{}, &read)) << what;
        ASSERT_EQ(read.size(), tics.size()) << what;
        for (std::size_t i = 0; i < tics.size(); ++i) {
            EXPECT_TRUE(read[i] == tics[i]) << what << " tic " << i;
            EXPECT_EQ(Bits(read[i].mouseX), Bits(tics[i].mouseX)) << what << " tic " << i;
            EXPECT_EQ(Bits(read[i].mouseY), Bits(tics[i].mouseY)) << what << " tic " << i;
            EXPECT_EQ(Bits(read[i].step), Bits(tics[i].step)) << what << " tic " << i;
        }
        for (const std::size_t cut : {std::size_t(0), stream.size() / 2, stream.size() - 1}) {
            std::vector<InputTic> partial;
            at = 0;
            EXPECT_FALSE(TicCodec::unpack(stream.substr(0, cut), &at, tics.size(), InputTic{}, &partial))
                << what << cut;
        }
    }
    // A player standing still for ten minutes, the frames paced exactly.
    const std::vector<InputTic> still(36000,
                                      InputTic{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5.0f, 7.0f, 800, 450, 0, 1.0f / 60.0f});
    std::string stream;
    TicCodec::pack(InputTic{}, still.data(), still.size(), &stream);
    EXPECT_LT(stream.size(), 1000u);
}

}  // namespace
