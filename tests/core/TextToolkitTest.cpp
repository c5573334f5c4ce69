#include "core/Bytes16.h"
#include "core/Utf16.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace TarnwickTest {
namespace {

using namespace Tarnwick::Detail;

// Every code point and every 3-byte form of a surrogate: the unchecked reading of a judged
// sequence gives what the checked one gives, and the width is the length written.
TEST(Utf16Toolkit, JudgedSequencesReadAsTheCheckedReadingReadsThem)
{
    std::array<unsigned char, 8> bytes {};
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        std::size_t const length = EncodeUtf8(cp, reinterpret_cast<char*>(bytes.data()));
        ASSERT_EQ(Utf8Width(cp), length) << std::hex << static_cast<std::uint32_t>(cp);
        Utf8Sequence const checked = DecodeUtf8(bytes.data(), length, true);
        ASSERT_EQ(checked.length, length) << std::hex << static_cast<std::uint32_t>(cp);
        Utf8Sequence const judged = DecodeJudgedUtf8(bytes.data());
        ASSERT_EQ(static_cast<std::uint32_t>(judged.codePoint), static_cast<std::uint32_t>(cp))
            << std::hex << static_cast<std::uint32_t>(cp);
        ASSERT_EQ(judged.length, length) << std::hex << static_cast<std::uint32_t>(cp);
    }
    EXPECT_EQ(Utf8Width(kLoneSurrogate), 3u);
}

// The byte ranges the decoder counts with, and the edges of the arithmetic behind them.
TEST(Bytes16, InRangeAgreesWithAComparisonOfEachByte)
{
    struct Range {
        unsigned char low;
        unsigned char high;
    };
    constexpr Range kRanges[]
        = {{0x80, 0xBF}, {0xF0, 0xFF}, {0x00, 0x00}, {0x00, 0x7F}, {0x30, 0x39}, {0xFF, 0xFF}, {0x01, 0xFE}};
    for (Range const range : kRanges) {
        for (unsigned first = 0; first < 256; first += 16) {
            std::array<unsigned char, 16> bytes {};
            unsigned expected = 0;
            for (unsigned i = 0; i < 16; ++i) {
                bytes[i] = static_cast<unsigned char>(first + i);
                expected |= bytes[i] >= range.low && bytes[i] <= range.high ? 1u << i : 0u;
            }
            EXPECT_EQ(Bytes16(bytes.data()).InRange(range.low, range.high).Bits(), expected)
                << int(range.low) << ".." << int(range.high) << " from " << first;
        }
    }
}

} // namespace
} // namespace TarnwickTest
