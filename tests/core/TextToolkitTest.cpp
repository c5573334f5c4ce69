// The text toolkit's fast routines against plain forms written apart from them:
// narrowing, widening and UTF-8 over every length up to 40 with each unit class
// at each position, UTF-8 widths and reading over every code point, byte ranges
// over every byte, the tally of sets.

#include "core/Bytes16.h"
#include "core/ReferenceUtf8.h"
#include "core/Utf16.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace TarnwickTest {
namespace {

using namespace Tarnwick::Detail;

// One unit of each class the vector steps tell apart: the unit 0, ASCII, the
// units that saturate to 0xFF or to 0, the surrogates, the largest. Their low
// bytes are the byte classes of widening: 0, ASCII, from 0x80 on.
constexpr char16_t kUnitClasses[]
    = {0x00, 0x01, 0x41, 0x7F, 0x80, 0xFF, 0x100, 0x7FF, 0x800, 0x7FFF, 0x8000, 0xD800, 0xDBFF, 0xDC00, 0xFFFF};

// Every length from 0 to 40 (two groups of sixteen, one of eight, the tail) with
// nothing special in it, with one unit of each class at each position, and
// with a surrogate pair at each position; stops at the first fatal failure.
template <class Check> void ForEachText(Check check)
{
    for (std::size_t length = 0; length <= 40 && !testing::Test::HasFatalFailure(); ++length) {
        std::u16string plain(length, u'a');
        for (std::size_t i = 0; i < length; ++i) {
            plain[i] = static_cast<char16_t>(u'a' + i % 26);
        }
        check(plain);
        for (std::size_t at = 0; at < length; ++at) {
            for (char16_t const unit : kUnitClasses) {
                std::u16string text = plain;
                text[at] = unit;
                check(text);
            }
            if (at + 1 < length) {
                std::u16string text = plain;
                text[at] = 0xD83D;
                text[at + 1] = 0xDE00;
                check(text);
            }
        }
    }
}

// One fast routine checked on one text against its plain form.
struct Agreement {
    char const* routine;
    void (*check)(std::u16string const& text);
};

constexpr Agreement kAgreements[] = {
    {"NarrowRun copies exactly the plain units it passes",
        [](std::u16string const& text) {
            std::vector<char> bytes(text.size() + 16, '#');
            char16_t const* it = text.data();
            char16_t const* const end = it + text.size();
            char* to = bytes.data();
            bool const stopped = NarrowRun(it, end, to);
            auto const passed = static_cast<std::size_t>(it - text.data());
            ASSERT_EQ(static_cast<std::size_t>(to - bytes.data()), passed);
            for (std::size_t i = 0; i < passed; ++i) {
                ASSERT_TRUE(text[i] != 0 && text[i] < 0x80) << "passed unit " << i;
                ASSERT_EQ(bytes[i], static_cast<char>(text[i])) << i;
            }
            if (stopped) {
                ASSERT_NE(it, end);
                EXPECT_TRUE(*it == 0 || *it >= 0x80) << "stopped at a plain unit " << passed;
            } else {
                EXPECT_LT(end - it, 4) << "left more than the last three units";
            }
        }},
    {"EncodeUtf8 writes the reference UTF-8",
        [](std::u16string const& text) {
            std::string written(text.size() * 3, '#');
            written.resize(static_cast<std::size_t>(EncodeUtf8(text, written.data()) - written.data()));
            ASSERT_EQ(written, ReferenceUtf8(text));
        }},
    {"AppendAscii widens each byte to its value",
        [](std::u16string const& text) {
            std::string bytes;
            std::u16string expected = u"kept";
            for (char16_t const unit : text) {
                bytes += static_cast<char>(unit);
                expected += static_cast<unsigned char>(unit);
            }
            std::u16string wide = u"kept";
            AppendAscii(wide, bytes.data(), bytes.size());
            ASSERT_EQ(wide, expected);
        }},
    {"Utf8Prefix keeps the longest run of whole characters within the bytes",
        [](std::u16string const& text) {
            std::u16string_view const view = text;
            for (std::size_t const bytes : {0, 1, 2, 3, 4, 5, 6, 17, 40}) {
                std::size_t const units = Utf8Prefix(text, bytes);
                ASSERT_LE(units, text.size());
                ASSERT_LE(ReferenceUtf8(view.substr(0, units)).size(), bytes) << bytes;
                if (units < text.size()) {
                    bool const pair
                        = IsHighSurrogate(text[units]) && units + 1 < text.size() && IsLowSurrogate(text[units + 1]);
                    ASSERT_FALSE(units > 0 && IsHighSurrogate(text[units - 1]) && IsLowSurrogate(text[units]))
                        << "split a pair in " << bytes;
                    ASSERT_GT(ReferenceUtf8(view.substr(0, units + (pair ? 2 : 1))).size(), bytes) << bytes;
                }
            }
        }},
};

TEST(TextToolkit, FastRoutinesAgreeWithTheirPlainForms)
{
    ForEachText([](std::u16string const& text) {
        for (Agreement const& row : kAgreements) {
            SCOPED_TRACE(testing::Message() << row.routine << ", text of " << text.size() << " units");
            row.check(text);
        }
    });
}

// Every code point and every 3-byte form of a surrogate: the width is the length
// written, and the unchecked reading of a judged sequence gives what was written.
TEST(TextToolkit, EveryCodePointReadsBackFromItsUtf8)
{
    std::array<unsigned char, 8> bytes {};
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp) {
        std::size_t const length = EncodeUtf8(cp, reinterpret_cast<char*>(bytes.data()));
        ASSERT_EQ(Utf8Width(cp), length) << std::hex << static_cast<std::uint32_t>(cp);
        ASSERT_EQ(DecodeUtf8(bytes.data(), length, true).length, length) << std::hex << static_cast<std::uint32_t>(cp);
        Utf8Sequence const judged = DecodeJudgedUtf8(bytes.data());
        ASSERT_EQ(static_cast<std::uint32_t>(judged.codePoint), static_cast<std::uint32_t>(cp))
            << std::hex << static_cast<std::uint32_t>(cp);
        ASSERT_EQ(judged.length, length) << std::hex << static_cast<std::uint32_t>(cp);
    }
    EXPECT_EQ(Utf8Width(kLoneSurrogate), 3u);
}

// The byte ranges the decoder counts with, and the edges of the arithmetic behind them.
TEST(TextToolkit, InRangeAgreesWithAComparisonOfEachByte)
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

// The counts of the decoder's limits: 255 sets (the most a tally holds) of every kind of
// comparison and combination, against the count of their bits.
TEST(TextToolkit, TallyCountsWhatTheBitsOfItsSetsCount)
{
    std::array<unsigned char, 17> bytes {};
    Tally16 tally;
    std::size_t expected = 0;
    for (unsigned round = 0; round < 255; ++round) {
        for (unsigned i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<unsigned char>((round * 7 + i * 13) % 5 + '<');
        }
        Bytes16 const here(bytes.data());
        Bytes16 const next(bytes.data() + 1);
        Mask16 const set = round % 3 == 0 ? here.Equal('<').Without(next.Equal('>'))
            : round % 3 == 1              ? (here.Equal('=') & next.Equal('>')) | here.InRange('?', '@')
                                          : here.EqualWithBits(1, '?');
        tally.Add(set);
        expected += static_cast<std::size_t>(std::popcount(set.Bits()));
    }
    EXPECT_EQ(tally.Total(), expected);
    EXPECT_GT(expected, 255u * 16 / 5);
}

} // namespace
} // namespace TarnwickTest
