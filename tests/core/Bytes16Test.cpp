#include "core/Bytes16.h"
#include "core/Utf16.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace TarnwickTest {
namespace {

using namespace Tarnwick::Detail;

// One unit of each class the vector steps tell apart: the unit 0, ASCII, the
// units that saturate to 0xFF or to 0, the surrogates, the largest.
constexpr char16_t kUnitClasses[]
    = {0x00, 0x01, 0x41, 0x7F, 0x80, 0xFF, 0x100, 0x7FF, 0x800, 0x7FFF, 0x8000, 0xD800, 0xDBFF, 0xDC00, 0xFFFF};

// Every length from 0 to 40 (two groups of sixteen, one of eight, the tail) with
// nothing special in it, with one unit of each class at each position, and
// with a surrogate pair at each position.
template <class Check> void ForEachText(Check check)
{
    for (std::size_t length = 0; length <= 40; ++length) {
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

// The UTF-8 form one code point at a time, without the vector steps.
std::string ScalarUtf8(std::u16string_view text)
{
    std::string out;
    char16_t const* it = text.data();
    char16_t const* const end = it + text.size();
    while (it != end) {
        char bytes[4];
        out.append(bytes, EncodeUtf8(NextCodePoint(it, end), bytes));
    }
    return out;
}

TEST(Bytes16Test, NarrowRunCopiesExactlyThePlainUnitsItPasses)
{
    ForEachText([](std::u16string const& text) {
        std::vector<char> bytes(text.size() + 16, '#');
        char16_t const* it = text.data();
        char16_t const* const end = it + text.size();
        char* to = bytes.data();
        bool const stopped = NarrowRun(it, end, to);
        auto const passed = static_cast<std::size_t>(it - text.data());
        ASSERT_EQ(static_cast<std::size_t>(to - bytes.data()), passed) << passed;
        for (std::size_t i = 0; i < passed; ++i) {
            ASSERT_TRUE(text[i] != 0 && text[i] < 0x80) << "passed unit " << i << " of " << text.size();
            ASSERT_EQ(bytes[i], static_cast<char>(text[i])) << i;
        }
        if (stopped) {
            ASSERT_NE(it, end);
            EXPECT_TRUE(*it == 0 || *it >= 0x80) << "stopped at a plain unit, " << passed << " of " << text.size();
        } else {
            EXPECT_LT(end - it, 4) << "left more than the last three units, " << passed << " of " << text.size();
        }
    });
}

TEST(Bytes16Test, Utf8OfUtf16AgreesWithTheScalarForm)
{
    ForEachText([](std::u16string const& text) {
        std::string vector(text.size() * 3, '#');
        vector.resize(static_cast<std::size_t>(EncodeUtf8(text, vector.data()) - vector.data()));
        ASSERT_EQ(vector, ScalarUtf8(text)) << text.size();
    });
}

TEST(Bytes16Test, WideningAgreesWithTheScalarLoop)
{
    // Every byte value, at each position of every length from 0 to 40.
    for (std::size_t length = 0; length <= 40; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            for (unsigned value = 0; value < 256; value += 17) {
                std::string text(length, 'x');
                text[at] = static_cast<char>(value);
                std::u16string wide = u"kept";
                AppendAscii(wide, text.data(), text.size());
                std::u16string expected = u"kept";
                for (char const c : text) {
                    expected.push_back(static_cast<unsigned char>(c));
                }
                ASSERT_EQ(wide, expected) << length << " " << at << " " << value;
            }
        }
    }
}

TEST(Bytes16Test, Utf8PrefixKeepsWholeCharactersWithinTheBytes)
{
    struct Row {
        std::u16string_view text;
        std::size_t bytes;
        std::size_t units;
    };
    constexpr Row kRows[] = {
        {u"", 0, 0},
        {u"abc", 0, 0},
        {u"abc", 2, 2},
        {u"abc", 3, 3},
        {u"abc", 40, 3},
        {u"a\u00E9", 2, 1}, // é takes 2 bytes
        {u"a\u00E9", 3, 2},
        {u"a\u20AC", 3, 1}, // € takes 3
        {u"a\u20AC", 4, 2},
        {u"a\U0001F600", 4, 1}, // a pair takes 4 and is not split
        {u"a\U0001F600", 5, 3},
        {u"a\xD800z", 4, 2}, // a lone surrogate takes 3, as U+FFFD
        {u"a\xDC00", 3, 1},
        {std::u16string_view(u"\0\0", 2), 1, 1},
    };
    for (Row const& row : kRows) {
        EXPECT_EQ(Utf8Prefix(row.text, row.bytes), row.units)
            << std::string(row.text.begin(), row.text.end()) << " in " << row.bytes;
    }
    // Against the scalar form: the longest prefix that fits, never inside a pair.
    ForEachText([](std::u16string const& text) {
        for (std::size_t bytes : {std::size_t {0}, std::size_t {5}, std::size_t {17}, std::size_t {40}}) {
            std::size_t const units = Utf8Prefix(text, bytes);
            ASSERT_LE(ScalarUtf8(std::u16string_view(text).substr(0, units)).size(), bytes);
            if (units < text.size()) {
                bool const pair
                    = IsHighSurrogate(text[units]) && units + 1 < text.size() && IsLowSurrogate(text[units + 1]);
                std::size_t const next = units + (pair ? 2 : 1);
                ASSERT_GT(ScalarUtf8(std::u16string_view(text).substr(0, next)).size(), bytes);
            }
        }
    });
}

} // namespace
} // namespace TarnwickTest
