// UTF-8 to and from UTF-16: round trips over every kind of character, lone
// surrogates, and ill-formed UTF-8 replaced per maximal subpart.

#include <tarnwick/core/Conversion.h>

#include <gtest/gtest.h>

#include <string>
#include <string_view>

using Tarnwick::Utils::Conversion;

namespace {

using namespace std::string_literals;

/// The same text in both forms (for ill-formed UTF-8: the UTF-16 it becomes).
struct Texts {
    std::u16string utf16;
    std::string utf8;
};
using WellFormed = Texts;
using Converted16 = Texts;

class Utf8RoundTripTest : public testing::TestWithParam<Texts> { };

TEST_P(Utf8RoundTripTest, EachFormGivesTheOther)
{
    EXPECT_EQ(Conversion::Utf16ToUtf8(GetParam().utf16), GetParam().utf8);
    EXPECT_EQ(Conversion::Utf8ToUtf16(GetParam().utf8), GetParam().utf16);
}

INSTANTIATE_TEST_SUITE_P(Characters, Utf8RoundTripTest,
    testing::Values(WellFormed {u"", ""}, WellFormed {u"plain ASCII", "plain ASCII"},
        WellFormed {u"a\0b"s, "a\0b"s}, // the unit 0 and the byte 0 travel
        WellFormed {u"\u007F\u0080", "\x7F\xC2\x80"}, // the first two-byte character
        WellFormed {u"Caf\u00E9 cr\u00E8me br\u00FBl\u00E9e", "Caf\xC3\xA9 cr\xC3\xA8me br\xC3\xBBl\xC3\xA9\x65"},
        WellFormed {u"\u07FF\u0800", "\xDF\xBF\xE0\xA0\x80"}, // the border of two and three bytes
        WellFormed {u"\uD7FF\uE000\uFFFD\uFFFF", "\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBD\xEF\xBF\xBF"},
        WellFormed {u"\U00010000", "\xF0\x90\x80\x80"}, // a surrogate pair, one 4-byte sequence
        WellFormed {u"x\U0001F600y", "x\xF0\x9F\x98\x80y"}, WellFormed {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"}));

class LoneSurrogateTest : public testing::TestWithParam<Texts> { };

TEST_P(LoneSurrogateTest, BecomesTheReplacementCharacter)
{
    EXPECT_EQ(Conversion::Utf16ToUtf8(GetParam().utf16), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(Units, LoneSurrogateTest,
    testing::Values(Converted16 {u"\xD800"s, "\xEF\xBF\xBD"},
        Converted16 {u"a\xDC00"s
                     "b",
            "a\xEF\xBF\xBD"
            "b"},
        Converted16 {u"\xDBFF"s, "\xEF\xBF\xBD"}, // a high surrogate at the end
        Converted16 {u"\xDC00\xD800"s, "\xEF\xBF\xBD\xEF\xBF\xBD"}, // low before high: two
        Converted16 {u"\xD800\xD800\xDC00"s, "\xEF\xBF\xBD\xF0\x90\x80\x80"})); // a lone one, then a pair

struct IllFormed {
    std::string utf8;
    std::u16string utf16;
};

class IllFormedUtf8Test : public testing::TestWithParam<IllFormed> { };

TEST_P(IllFormedUtf8Test, EachMaximalSubpartBecomesOneReplacementCharacter)
{
    EXPECT_EQ(Conversion::Utf8ToUtf16(GetParam().utf8), GetParam().utf16);
}

constexpr char16_t R = u'\uFFFD';

// The cases the Unicode standard's own example and its rules settle.
INSTANTIATE_TEST_SUITE_P(Sequences, IllFormedUtf8Test,
    testing::Values(IllFormed {"\x80", {R}}, // a continuation byte alone
        IllFormed {"\xBF\x80", {R, R}}, // each stray continuation byte on its own
        IllFormed {"\xC0\xAF", {R, R}}, // C0 and C1 start nothing: overlong
        IllFormed {"\xC1\xBF", {R, R}},
        IllFormed {"\xE0\x80\xAF", {R, R, R}}, // overlong three bytes: E0 takes A0 to BF only
        IllFormed {"\xED\xA0\x80", {R, R, R}}, // an encoded surrogate: ED takes 80 to 9F only
        IllFormed {"\xF0\x80\x80\x80", {R, R, R, R}}, // overlong four bytes
        IllFormed {"\xF4\x90\x80\x80", {R, R, R, R}}, // above U+10FFFF
        IllFormed {"\xF5\x80", {R, R}}, IllFormed {"\xFF\xFE", {R, R}}, // F5 to FF start nothing
        IllFormed {"\xC3", {R}}, // cut off at the end
        IllFormed {"\xE2\x82", {R}}, // the maximal subpart E2 82 is one error
        IllFormed {"\xF0\x9F\x98", {R}},
        IllFormed {"\xE2\x82"
                   "A",
            {R, u'A'}}, // broken off by ASCII
        IllFormed {"\xF0\x9F\x98\xF0\x9F\x98\x80", {R, u'\xD83D', u'\xDE00'}}, // a new start ends the subpart
        IllFormed {"\xC3\xC3\xA9", {R, u'\u00E9'}},
        // The standard's example: 61 F1 80 80 E1 80 C2 62 80 63 80 BF 64.
        IllFormed {
            "\x61\xF1\x80\x80\xE1\x80\xC2\x62\x80\x63\x80\xBF\x64", {u'a', R, R, R, u'b', R, u'c', R, R, u'd'}}));

TEST(Utf8ConversionTest, ServiceExceptionTextPrintsAsUtf8)
{
    // The use the conversion exists for: a wide message on a narrow stream.
    EXPECT_EQ(Conversion::Utf16ToUtf8(u"Fehler: Stra\u00DFe \U0001F6A7"),
        "Fehler: Stra\xC3\x9F"
        "e \xF0\x9F\x9A\xA7");
}

} // namespace
