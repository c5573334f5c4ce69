#include "core/Decimal.h"
#include "core/Utf16.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdio>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace TarnwickTest {
namespace {

using namespace Tarnwick::Detail;

// Every digit count and the edges of each width, against the standard writers: to_chars,
// and printf's zero-padded form at every width to past the longest.
template <class Int> void ExpectWrittenAsToChars()
{
    using Limits = std::numeric_limits<Int>;
    std::vector<Int> values {Limits::min(), Limits::max(), Int(0), Int(1), Int(7), Int(8), Int(9), Int(10)};
    for (std::uint64_t power = 10; power <= static_cast<std::uint64_t>(Limits::max()) / 10; power *= 10) {
        for (std::uint64_t near : {power - 1, power, power + 1, 2 * power + 3}) {
            values.push_back(static_cast<Int>(near));
            if constexpr (std::is_signed_v<Int>) {
                values.push_back(static_cast<Int>(-static_cast<Int>(near)));
            }
        }
    }
    for (Int const value : values) {
        char expected[24];
        std::string_view const standard(expected, std::to_chars(expected, expected + 24, value).ptr);
        char narrow[24];
        EXPECT_EQ(std::string_view(narrow, WriteDecimal(narrow, value)), standard) << +value;
        char16_t wide[24];
        EXPECT_EQ(
            std::u16string_view(wide, WriteDecimal(wide, value)), std::u16string(standard.begin(), standard.end()))
            << +value;
        EXPECT_EQ(DecimalString<char>(value), standard);
        for (int width = 0; width <= Limits::digits10 + 4; ++width) {
            char printed[40];
            int const length = std::is_signed_v<Int>
                ? std::snprintf(printed, sizeof printed, "%0*lld", width, static_cast<long long>(value))
                : std::snprintf(printed, sizeof printed, "%0*llu", width, static_cast<unsigned long long>(value));
            std::string_view const padded(printed, static_cast<std::size_t>(length));
            char narrowPadded[40];
            auto const size = static_cast<std::size_t>(width);
            EXPECT_EQ(std::string_view(narrowPadded, WritePaddedDecimal(narrowPadded, value, size)), padded)
                << +value << " in " << width;
            char16_t widePadded[40];
            EXPECT_EQ(std::u16string_view(widePadded, WritePaddedDecimal(widePadded, value, size)),
                std::u16string(padded.begin(), padded.end()))
                << +value << " in " << width;
        }
    }
}

TEST(DecimalTest, WritesEveryIntegerKindAsToChars)
{
    ExpectWrittenAsToChars<std::int8_t>();
    ExpectWrittenAsToChars<std::uint8_t>();
    ExpectWrittenAsToChars<std::int16_t>();
    ExpectWrittenAsToChars<std::uint16_t>();
    ExpectWrittenAsToChars<std::int32_t>();
    ExpectWrittenAsToChars<std::uint32_t>();
    ExpectWrittenAsToChars<std::int64_t>();
    ExpectWrittenAsToChars<std::uint64_t>();
}

TEST(DecimalTest, FixedAndPaddedWidths)
{
    struct Row {
        std::uint32_t value;
        std::size_t width;
        std::u16string_view fixed; // exactly `width` digits
        std::u16string_view padded; // at least `width` digits
    };
    constexpr Row kRows[] = {
        {42, 6, u"000042", u"000042"},
        {999999, 6, u"999999", u"999999"},
        {0, 2, u"00", u"00"},
        {5, 1, u"5", u"5"},
        {7, 3, u"007", u"007"},
        {1234, 2, u"34", u"1234"},
        {2024, 0, u"", u"2024"},
        {0, 0, u"", u"0"},
    };
    for (Row const& row : kRows) {
        char16_t fixed[16];
        EXPECT_EQ(std::u16string_view(fixed, WriteFixedDigits(fixed, row.value, row.width)), row.fixed) << row.value;
        char16_t padded[16];
        EXPECT_EQ(std::u16string_view(padded, WritePaddedDigits(padded, row.value, row.width)), row.padded)
            << row.value;
    }
    // The widths known when compiling write as those known when running.
    char16_t fixed[8];
    EXPECT_EQ(std::u16string_view(fixed, WriteFixedDigits<6>(fixed, 42U)), u"000042");
    EXPECT_EQ(std::u16string_view(fixed, WriteFixedDigits<6>(fixed, 999999U)), u"999999");
    EXPECT_EQ(std::u16string_view(fixed, WriteFixedDigits<3>(fixed, 7U)), u"007");
    EXPECT_EQ(std::u16string_view(fixed, WriteFixedDigits<2>(fixed, 1234U)), u"34");
    EXPECT_EQ(std::u16string_view(fixed, WriteFixedDigits<1>(fixed, 5U)), u"5");
    // Hexadecimal digits, upper case, cut to the width as the decimal ones are.
    char hex[16];
    EXPECT_EQ(std::string_view(hex, WriteHexDigits(hex, 0xE9, 4)), "00E9");
    EXPECT_EQ(std::string_view(hex, WriteHexDigits(hex, 0x10FFFF, 5)), "0FFFF");
    EXPECT_EQ(std::string_view(hex, WriteHexDigits(hex, ~std::uint64_t(0) - 0x5A, 16)), "FFFFFFFFFFFFFFA5");
    EXPECT_EQ(HexDigit<char16_t>(0xB, false), u'b');
}

TEST(DecimalTest, ReadDigitsSaturatesAndStopsAtTheFirstNonDigit)
{
    struct Row {
        std::u16string_view text;
        std::uint64_t most;
        std::uint64_t value;
        std::size_t consumed;
    };
    constexpr Row kRows[] = {
        {u"", 100, 0, 0}, {u"x1", 100, 0, 0}, {u"0042x", 100, 42, 4}, {u"100", 100, 100, 3}, {u"101", 100, 100, 3},
        {u"99999999999999999999999", 2147483648, 2147483648, 23},
        {u"18446744073709551615", std::numeric_limits<std::uint64_t>::max(), std::numeric_limits<std::uint64_t>::max(),
            20},
        {u"18446744073709551616", std::numeric_limits<std::uint64_t>::max(), std::numeric_limits<std::uint64_t>::max(),
            20},
        {u"12\u0660", 1000, 12, 2}, // a digit of another script is no decimal digit here
    };
    for (Row const& row : kRows) {
        char16_t const* it = row.text.data();
        EXPECT_EQ(ReadDigits(it, row.text.data() + row.text.size(), row.most), row.value)
            << std::string(row.text.begin(), row.text.end());
        EXPECT_EQ(static_cast<std::size_t>(it - row.text.data()), row.consumed);
    }
    // Without an end the text ends at its terminating zero.
    char const* zeroEnded = "73";
    EXPECT_EQ(ReadDigits(zeroEnded, 1000U), 73U);
    EXPECT_EQ(*zeroEnded, '\0');
}

TEST(DecimalTest, ParseDecimalIsStrict)
{
    struct Row {
        std::string_view text;
        bool asInt8;
        std::int8_t int8;
        bool asUint8;
        std::uint8_t uint8;
        bool asInt64;
        std::int64_t int64;
    };
    constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();
    constexpr Row kRows[] = {
        {"0", true, 0, true, 0, true, 0},
        {"127", true, 127, true, 127, true, 127},
        {"128", false, 0, true, 128, true, 128},
        {"-128", true, -128, false, 0, true, -128},
        {"-129", false, 0, false, 0, true, -129},
        {"255", false, 0, true, 255, true, 255},
        {"256", false, 0, false, 0, true, 256},
        {"007", true, 7, true, 7, true, 7},
        {"-0", true, 0, false, 0, true, 0},
        {"", false, 0, false, 0, false, 0},
        {"-", false, 0, false, 0, false, 0},
        {"+1", false, 0, false, 0, false, 0},
        {" 1", false, 0, false, 0, false, 0},
        {"1 ", false, 0, false, 0, false, 0},
        {"1x", false, 0, false, 0, false, 0},
        {"-9223372036854775808", false, 0, false, 0, true, kMin64},
        {"-9223372036854775809", false, 0, false, 0, false, 0},
        {"9223372036854775808", false, 0, false, 0, false, 0},
    };
    for (Row const& row : kRows) {
        std::int8_t int8 = 99;
        EXPECT_EQ(ParseDecimal(row.text, int8), row.asInt8) << row.text;
        EXPECT_EQ(int8, row.asInt8 ? row.int8 : 99) << row.text;
        std::uint8_t uint8 = 99;
        EXPECT_EQ(ParseDecimal(row.text, uint8), row.asUint8) << row.text;
        EXPECT_EQ(uint8, row.asUint8 ? row.uint8 : 99) << row.text;
        std::int64_t int64 = 99;
        EXPECT_EQ(ParseDecimal(row.text, int64), row.asInt64) << row.text;
        EXPECT_EQ(int64, row.asInt64 ? row.int64 : 99) << row.text;
    }
    std::uint64_t most = 0;
    EXPECT_TRUE(ParseDecimal(std::u16string_view(u"18446744073709551615"), most));
    EXPECT_EQ(most, std::numeric_limits<std::uint64_t>::max());
    EXPECT_FALSE(ParseDecimal(std::u16string_view(u"18446744073709551616"), most));
}

TEST(DecimalTest, CodePointsAsUtf16)
{
    struct Row {
        char32_t codePoint;
        std::u16string_view units;
    };
    constexpr Row kRows[] = {
        {U'A', u"A"},
        {0xFFFF, u"\uFFFF"},
        {0x10000, u"\U00010000"},
        {0x1F600, u"\U0001F600"},
        {0x10FFFF, u"\U0010FFFF"},
    };
    for (Row const& row : kRows) {
        char16_t units[2];
        EXPECT_EQ(std::u16string_view(units, EncodeUtf16(row.codePoint, units)), row.units);
        if (row.units.size() == 2) {
            EXPECT_EQ(CombineSurrogates(row.units[0], row.units[1]), row.codePoint);
        }
    }
}

} // namespace
} // namespace TarnwickTest
