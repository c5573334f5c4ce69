// What the decoder reads before it decodes: the encodings a text may arrive in,
// the limits judged before the parse, the stream form, and the exact place of
// the parser's refusals.

#include "EncodingTestSupport.h"
#include "RefusalTable.h"

#include <tarnwick/encoding/XmlDecoder.h>

#include <algorithm>
#include <istream>
#include <streambuf>
#include <string>

namespace {

using namespace EncodingTest;
using namespace RefusalTable;
using Tarnwick::Encoding::XmlDecoder;
using Tarnwick::Encoding::XmlDecoderLimits;

std::u16string Wide(std::string const& ascii)
{
    return {ascii.begin(), ascii.end()};
}

/// The bytes of `text` in UTF-16 with a byte order mark, little or big endian.
std::string Utf16(std::u16string const& text, bool bigEndian, bool mark = true)
{
    std::string bytes = mark ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
    for (char16_t unit : text) {
        char const high = static_cast<char>(unit >> 8);
        char const low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

/// The tree of a text, shape-free, as the encoder writes it again: equal trees give equal texts.
std::string TreeOf(std::string const& text)
{
    XmlDecoder const decoder(text);
    return Encoded(*decoder.DecodeTree());
}

// ---- encodings ---------------------------------------------------------------

struct Encoding {
    char const* name;
    std::string text;
    /// The same characters in UTF-8.
    std::string utf8;
};

std::string const kLatinUtf8 = "<r><a>\xC3\xA9\xC3\xBF</a><s>caf\xC3\xA9 \xC2\xA0\xC3\x9F</s></r>";
std::string const kLatinBytes = "<r><a>\xE9\xFF</a><s>caf\xE9 \xA0\xDF</s></r>";
std::string const kWideUtf8 = "<r><a>\xE2\x82\xAC</a><s>\xF0\x9F\x98\x80x\xE4\xB8\xAD</s></r>";
std::u16string const kWide = u"<r><a>\u20AC</a><s>\U0001F600x\u4E2D</s></r>";

std::string Declared(char const* encoding, std::string const& body)
{
    return std::string("<?xml version=\"1.0\" encoding=\"") + encoding + "\"?>\n" + body;
}

std::vector<Encoding> const kEncodings = {
    {"UTF-8 declared", Declared("UTF-8", kWideUtf8), kWideUtf8},
    {"utf-8 declared", Declared("utf-8", kWideUtf8), kWideUtf8},
    {"US-ASCII", Declared("US-ASCII", "<r><a>&#x20AC;</a><s>&#x1F600;x&#20013;</s></r>"), kWideUtf8},
    {"us-ascii", Declared("us-ascii", "<r><a>&#8364;</a><s>&#128512;x&#x4e2d;</s></r>"), kWideUtf8},
    {"Ascii", Declared("Ascii", "<r><a>&#x20AC;</a><s>&#x1F600;x&#x4E2D;</s></r>"), kWideUtf8},
    {"ISO-8859-1", Declared("ISO-8859-1", kLatinBytes), kLatinUtf8},
    {"iso-8859-1 lower", Declared("iso-8859-1", kLatinBytes), kLatinUtf8},
    {"ISO underscore 8859-1", Declared("ISO_8859-1", kLatinBytes), kLatinUtf8},
    {"Latin1", Declared("Latin1", kLatinBytes), kLatinUtf8},
    {"UTF-16LE with mark", Utf16(kWide, false), kWideUtf8},
    {"UTF-16BE with mark", Utf16(kWide, true), kWideUtf8},
    {"UTF-16LE declared", Utf16(u"<?xml version='1.0' encoding='UTF-16'?>" + kWide, false), kWideUtf8},
    {"UTF-16BE declared utf-16", Utf16(u"<?xml version='1.0' encoding='utf-16'?>\n" + kWide, true), kWideUtf8},
};

class TextEncoding : public ::testing::TestWithParam<Encoding> { };

TEST_P(TextEncoding, ReadsTheSameCharacters)
{
    Encoding const& row = GetParam();
    EXPECT_EQ(TreeOf(row.text), TreeOf(row.utf8)) << row.name;
}

INSTANTIATE_TEST_SUITE_P(Table, TextEncoding, ::testing::ValuesIn(kEncodings), RowName<Encoding>);

// ---- refusals with their place ------------------------------------------------

std::vector<Refused> const kRefused = {
    // Encodings.
    {"UTF-16LE without mark", Utf16(u"<a/>", false, false), 125,
        u"UTF-16 text without a byte order mark at line 1, column 1"},
    {"UTF-16BE without mark", Utf16(u"<?xml version='1.0'?><a/>", true, false), 125,
        u"UTF-16 text without a byte order mark at line 1, column 1"},
    {"8-bit text declaring UTF-16", Declared("UTF-16", "<a/>"), 125,
        u"UTF-16 text without a byte order mark at line 1, column 1"},
    {"non-ASCII under US-ASCII", Declared("US-ASCII", "<a>\n x\xC3\xA9</a>"), 126,
        u"Non-ASCII byte 0xC3 in US-ASCII text at line 3, column 3"},
    {"unsupported encoding", Declared("UTF-32", "<a/>"), 109, u"Unsupported encoding 'UTF-32' at line 1, column 21"},
    {"UTF-16 declaring UTF-8", Utf16(u"<?xml version='1.0' encoding='UTF-8'?><a/>", false), 109,
        u"Encoding 'UTF-8' contradicts the byte order mark at line 1, column 21"},
    {"UTF-8 mark declaring Latin-1", "\xEF\xBB\xBF" + Declared("ISO-8859-1", "<a/>"), 109,
        u"Encoding 'ISO-8859-1' contradicts the byte order mark at line 1, column 22"},
    {"UTF-16 lone surrogate", Utf16(std::u16string(u"<a>\U0001F600x") + char16_t(0xD800) + u"</a>", false), 127,
        u"Invalid UTF-16 at line 1, column 6"},
    {"UTF-16 odd byte", Utf16(u"<a/>\n", true) + "x", 127, u"Invalid UTF-16 at line 2, column 1"},
    {"UTF-16 null unit", Utf16(std::u16string(u"<a>x") + char16_t(0) + u"</a>", false), 105,
        u"Null character at line 1, column 5"},
    {"UTF-16 positions count characters", Utf16(u"<a>\n\u00e9\U0001F600&x;</a>", true), 118,
        u"Undefined entity '&x;' at line 2, column 3"},
    {"Latin-1 positions count characters", Declared("ISO-8859-1", "<a>\xE9\xE9&x;</a>"), 118,
        u"Undefined entity '&x;' at line 2, column 6"},
    // The parser's refusals, at the character at fault.
    {"bad character in an element name", "<a><b!/></a>", 103,
        u"Malformed XML: Error parsing start element tag at line 1, column 6"},
    {"bad character ending a root name", "<a!>", 103,
        u"Malformed XML: Error parsing start element tag at line 1, column 3"},
    {"bad character in an attribute name", "<a b!='1'/>", 103,
        u"Malformed XML: Error parsing element attribute at line 1, column 5"},
    {"attribute without value before another", "<a b c='1'/>", 103,
        u"Malformed XML: Error parsing element attribute at line 1, column 6"},
    {"attribute without value at the end", "<a>\n<b x='1' y/></a>", 103,
        u"Malformed XML: Error parsing element attribute at line 2, column 11"},
    {"lone less-than in text", "<a>x < y</a>", 103, u"Malformed XML: Could not determine tag type at line 1, column 6"},
    {"lone less-than before a digit", "<a><1/></a>", 103,
        u"Malformed XML: Could not determine tag type at line 1, column 4"},
    {"bad character in an end tag", "<a></a!>", 103,
        u"Malformed XML: Error parsing end element tag at line 1, column 7"},
    {"slash not closing the tag", "<a b='1'/ >", 103,
        u"Malformed XML: Error parsing start element tag at line 1, column 10"},
    {"mismatched end tag", "<a><b></a>", 103, u"Malformed XML: Start-end tags mismatch at line 1, column 9"},
    // A text cut short.
    {"ends in text", "<r>\n  <a>x", 124, u"Text ends inside element 'a' at line 2, column 3"},
    {"ends after a start tag", "<r><a b='1'>", 124, u"Text ends inside element 'a' at line 1, column 4"},
    {"ends in a start tag", "<r>\n<abc d='1'", 124, u"Text ends inside element 'abc' at line 2, column 1"},
    {"ends in a name", "<r><ab", 124, u"Text ends inside element 'ab' at line 1, column 4"},
    {"ends in an end tag", "<r><a></a", 124, u"Text ends inside element 'a' at line 1, column 4"},
    {"ends after a closed child", "<r><a></a>", 124, u"Text ends inside element 'r' at line 1, column 1"},
    {"ends in a reference", "<r>&amp", 124, u"Text ends inside element 'r' at line 1, column 1"},
    // Children closed in their start tags, whose '/' or closing quote the parser overwrites.
    {"ends after an empty child", "<r><a/>", 124, u"Text ends inside element 'r' at line 1, column 1"},
    {"ends after an empty child with attributes", "<r>\n<a x='1'/>", 124,
        u"Text ends inside element 'r' at line 1, column 1"},
    {"ends after empty children", "<r>\n<a/><b/>\n<c>", 124, u"Text ends inside element 'c' at line 3, column 1"},
    {"long name quoted in part", "<" + std::string(100, 'n') + ">", 124,
        u"Text ends inside element '" + std::u16string(40, u'n') + u"...' at line 1, column 1"},
};

class RefusedInput : public ::testing::TestWithParam<Refused> { };

TEST_P(RefusedInput, IsRefusedAtItsPlace)
{
    ExpectRefused(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Table, RefusedInput, ::testing::ValuesIn(kRefused), RowName<Refused>);

// ---- limits judged before the parse ---------------------------------------------

TEST(XmlDecoderInputLimits, ElementsAndOtherMarkupCount)
{
    XmlDecoderLimits limits;
    limits.MaxElements = 3;
    EXPECT_NO_THROW(XmlDecoder("<a x='1' y='2'><b/><c/></a>", limits));
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder("<a><b/><c/><d/></a>", limits); }),
        Refusal(123, u"More than 3 elements at line 1, column 12"));
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder("<a><!-- c --><?p x?><b/></a>", limits); }),
        Refusal(123, u"More than 3 elements at line 1, column 21"));
    // A '<' inside a section or a quoted value starts nothing, nor does a '>' end a tag.
    EXPECT_NO_THROW(XmlDecoder("<a x='>/>'><![CDATA[<<<<<<]]></a>", limits));
    EXPECT_NO_THROW(XmlDecoder("<a><!-- <b><c><d> --></a>", limits));
}

TEST(XmlDecoderInputLimits, NestingIsJudgedBeforeTheParse)
{
    XmlDecoderLimits limits;
    limits.MaxDepth = 2;
    // The mismatch further on is never reached.
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder("<a><b/><b><c></d>", limits); }),
        Refusal(122, u"Elements nested deeper than 2 levels at line 1, column 11"));
    EXPECT_NO_THROW(XmlDecoder("<a><b/><b x='/>'><!-- <c> --><?p <c>?><![CDATA[<c>]]></b></a>", limits));
}

TEST(XmlDecoderInputLimits, TheEncodersDensestElementsFitTheDefaults)
{
    // Empty leaves with one-letter names, empty composites and sequences: no text the
    // encoder writes has more elements per byte, and at that density the default text
    // limit holds no more elements than the default element limit.
    std::unique_ptr<ServiceType> const dense(Composite(u"r",
        {Scalar<std::u16string>(u"", u"a"), Scalar<std::u16string>(u"", u"b"), Composite(u"c", {}),
            Sequence<std::u16string>({u"", u""}, u"s")}));
    std::string const text = Encoded(*dense);
    auto const elements = static_cast<std::size_t>(std::count(text.begin(), text.end(), '<')) / 2;
    XmlDecoderLimits const defaults;
    EXPECT_EQ(elements, 7u) << text;
    EXPECT_GE(text.size() / elements, defaults.MaxTextBytes / defaults.MaxElements) << text;
}

/// An endless stream of one character that counts what was taken from it.
class EndlessBuffer : public std::streambuf {
public:
    std::size_t taken = 0;

protected:
    int_type underflow() override
    {
        setg(&m_Byte, &m_Byte, &m_Byte + 1);
        ++taken;
        return traits_type::to_int_type(m_Byte);
    }

private:
    char m_Byte = ' ';
};

TEST(XmlDecoderInputLimits, TheStreamIsReadOneBytePastTheLimit)
{
    XmlDecoderLimits limits;
    limits.MaxTextBytes = 1000;
    EndlessBuffer buffer;
    std::istream in(&buffer);
    EXPECT_EQ(
        ThrownLine([&] { XmlDecoder decoder(in, limits); }), Refusal(101, u"Text longer than the limit of 1000 bytes"));
    EXPECT_EQ(buffer.taken, 1001u);
    // At the limit the text is read whole and parsed within the limits.
    std::istringstream exact("<a>" + std::string(990, 'x') + "</a>\n");
    EXPECT_NO_THROW(XmlDecoder(exact, limits));
    limits.MaxDepth = 1;
    std::istringstream deep("<a><b/></a>");
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder(deep, limits); }),
        Refusal(122, u"Elements nested deeper than 1 levels at line 1, column 4"));
}

TEST(XmlDecoderInputLimits, TheUtf8FormOfATextCountsToo)
{
    XmlDecoderLimits limits;
    std::string const latin = Declared("ISO-8859-1", "<a>\xE9\xE9\xE9\xE9</a>");
    limits.MaxTextBytes = latin.size() + 3;
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder(latin, limits); }),
        Refusal(101, u"Text longer than the limit of " + Wide(std::to_string(latin.size() + 3)) + u" bytes"));
    limits.MaxTextBytes = latin.size() + 4;
    EXPECT_NO_THROW(XmlDecoder(latin, limits));
}

// ---- long texts ---------------------------------------------------------------

// A long text gets room for its counted units: every width of character, references and
// the older producers' surrogate halves come back whole, also on either side of the count.
TEST(XmlDecoderLongText, EveryWidthOfCharacterComesBack)
{
    std::u16string const pieces[] = {u"a&<", u"\u00e9", u"\u4e2d", u"\U0001F600", u"x\u00e9\u4e2d\U0001F600&\""};
    for (std::u16string const& piece : pieces) {
        for (std::size_t const count : {std::size_t(1), std::size_t(4095) / piece.size(), std::size_t(3000)}) {
            std::u16string value;
            for (std::size_t i = 0; i < count; ++i) {
                value += piece;
            }
            std::unique_ptr<ServiceType> const tree(Scalar(value, u"t"));
            XmlDecoder const decoder(Encoded(*tree));
            std::unique_ptr<ServiceType> const read = decoder.DecodeTree(*tree);
            auto const* const scalar = dynamic_cast<ScalarType<std::u16string> const*>(read.get());
            ASSERT_NE(scalar, nullptr);
            EXPECT_EQ(scalar->GetValue(), value) << count;
        }
    }
    // Surrogate halves of 3 bytes each.
    std::string text = "<t>";
    for (int i = 0; i < 2000; ++i) {
        text += "\xED\xA0\xBD\xED\xB8\x80";
    }
    XmlDecoder const decoder(text + "</t>");
    std::unique_ptr<ServiceType> const prototype(Scalar(std::u16string(), u"t"));
    std::unique_ptr<ServiceType> const read = decoder.DecodeTree(*prototype);
    auto const* const scalar = dynamic_cast<ScalarType<std::u16string> const*>(read.get());
    ASSERT_NE(scalar, nullptr);
    std::u16string expected;
    for (int i = 0; i < 2000; ++i) {
        expected += u"\U0001F600";
    }
    EXPECT_EQ(scalar->GetValue(), expected);
}

} // namespace
