// Texts the decoder refuses: what a conforming XML 1.0 processor rejects, what
// the limits exclude, and trees that do not fit their prototype. Each refusal
// names its place in the text.

#include "EncodingTestSupport.h"
#include "RefusalTable.h"

#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/encoding/ServiceMessage.h>
#include <tarnwick/encoding/XmlDecoder.h>

#include <sstream>
#include <string>

namespace {

using namespace EncodingTest;
using namespace RefusalTable;
using Tarnwick::Encoding::XmlDecoder;
using Tarnwick::Encoding::XmlDecoderLimits;

using IllFormed = Refused;

// Every row is well-formed XML but for one fault, which a fast parser lets through
// unless it is told otherwise.
std::vector<IllFormed> const kIllFormed = {
    {"text after the root", "<a>x</a>y", 112, u"Text outside the root element at line 1, column 9"},
    {"text before the root", "x<a/>", 112, u"Text outside the root element at line 1, column 1"},
    {"CDATA after the root", "<a/><![CDATA[x]]>", 112, u"Text outside the root element at line 1, column 5"},
    {"second root", "<a/>\n<b/>", 113, u"Second root element at line 2, column 1"},
    {"no root", "<!-- c -->\n", 114, u"No root element at line 2, column 1"},
    {"empty text", "", 114, u"No root element at line 1, column 1"},
    {"undefined entity", "<a>x&nbsp;</a>", 118, u"Undefined entity '&nbsp;' at line 1, column 5"},
    {"undefined entity in attribute", "<a b='&copy;'/>", 118, u"Undefined entity '&copy;' at line 1, column 7"},
    {"bare ampersand", "<a>x & y</a>", 120, u"'&' not starting a reference at line 1, column 6"},
    {"bare ampersand in attribute", "<a b='&'/>", 120, u"'&' not starting a reference at line 1, column 7"},
    {"reference without semicolon", "<a>&amp</a>", 120, u"'&' not starting a reference at line 1, column 4"},
    {"reference to NUL", "<a>&#0;</a>", 119, u"Invalid character reference '&#0;' at line 1, column 4"},
    {"reference to a surrogate", "<a>&#xD800;</a>", 119, u"Invalid character reference '&#xD800;' at line 1, column 4"},
    {"reference with a letter", "<a>&#12a;</a>", 119, u"Invalid character reference '&#12a' at line 1, column 4"},
    {"reference without digits", "<a>&#x;</a>", 119, u"Invalid character reference '&#x;' at line 1, column 4"},
    {"reference beyond Unicode", "<a>&#x110000;</a>", 119,
        u"Invalid character reference '&#x110000;' at line 1, column 4"},
    {"reference wrapping around", "<a>&#x100000041;</a>", 119,
        u"Invalid character reference '&#x100000041;' at line 1, column 4"},
    {"reference to a control character", "<a b='&#1;'/>", 119,
        u"Invalid character reference '&#1;' at line 1, column 7"},
    {"double dash in comment", "<a><!-- x -- y --></a>", 111, u"'--' inside a comment at line 1, column 11"},
    {"comment ending in a dash", "<a/><!-- x --->", 111, u"'--' inside a comment at line 1, column 12"},
    {"CDATA end in text", "<a>x]]>y</a>", 117, u"']]>' in text at line 1, column 5"},
    {"less-than in attribute", "<a b='x<y'/>", 116, u"'<' in an attribute value at line 1, column 8"},
    {"duplicate attribute", "<a b='1' c='2' b='3'/>", 115, u"Duplicate attribute 'b' at line 1, column 16"},
    {"duplicate among many attributes",
        "<a a0='' a1='' a2='' a3='' a4='' a5='' a6='' a7='' a8='' a9='' a10='' a11='' a12='' a13='' a14='' a15='' "
        "a16='' a3=''/>",
        115, u"Duplicate attribute 'a3' at line 1, column 113"},
    {"declaration after the root", "<a/><?xml version='1.0'?>", 107,
        u"XML declaration not at the start of the text at line 1, column 5"},
    {"declaration after whitespace", "\n<?xml version='1.0'?><a/>", 107,
        u"XML declaration not at the start of the text at line 2, column 1"},
    {"declaration after a comment", "<!-- c --><?xml version='1.0'?><a/>", 107,
        u"XML declaration not at the start of the text at line 1, column 11"},
    {"declaration twice", "<?xml version='1.0'?><?xml version='1.0'?><a/>", 107,
        u"XML declaration not at the start of the text at line 1, column 22"},
    {"declaration without version", "<?xml?><a/>", 108, u"Malformed XML declaration at line 1, column 1"},
    {"declaration with encoding first", "<?xml encoding='utf-8' version='1.0'?><a/>", 108,
        u"Malformed XML declaration at line 1, column 1"},
    {"declaration with version 2", "<?xml version='2.0'?><a/>", 108, u"Malformed XML declaration at line 1, column 1"},
    {"declaration with bad standalone", "<?xml version='1.0' standalone='maybe'?><a/>", 108,
        u"Malformed XML declaration at line 1, column 1"},
    {"declaration with unknown attribute", "<?xml version='1.0' foo='bar'?><a/>", 108,
        u"Malformed XML declaration at line 1, column 1"},
    {"declaration with malformed encoding", "<?xml version='1.0' encoding='8bit'?><a/>", 108,
        u"Malformed XML declaration at line 1, column 1"},
    {"declaration of another encoding", "<?xml version='1.0' encoding='KOI8-R'?><a/>", 109,
        u"Unsupported encoding 'KOI8-R' at line 1, column 21"},
    {"reserved target", "<?XmL version='1.0'?><a/>", 110,
        u"Reserved processing instruction target 'XmL' at line 1, column 1"},
    {"reserved target after the root", "<a/>\n<?xml?>", 107,
        u"XML declaration not at the start of the text at line 2, column 1"},
    {"reserved target inside", "<a><?xml x?></a>", 103,
        u"Malformed XML: Error parsing document declaration/processing instruction at line 1, column 9"},
    {"document type", "<!DOCTYPE a>\n<a/>", 106, u"Document type declaration not accepted at line 1, column 1"},
    {"invalid name start", "<a><-b/></a>", 103, u"Malformed XML: Could not determine tag type at line 1, column 4"},
    {"name with a times sign", "<a\xc3\x97/>", 121, u"Invalid name 'a\u00d7' at line 1, column 2"},
    {"name starting with a combining mark",
        "<\xcc\x80"
        "a/>",
        121, u"Invalid name '\u0300a' at line 1, column 2"},
    {"attribute name with a dash first", "<a -b='1'/>", 103,
        u"Malformed XML: Error parsing start element tag at line 1, column 4"},
    {"attributes without space", "<a b='1'c='2'/>", 103,
        u"Malformed XML: Error parsing element attribute at line 1, column 9"},
    {"unquoted attribute", "<a b=1/>", 103, u"Malformed XML: Error parsing element attribute at line 1, column 6"},
    {"mismatched end tag", "<a>\n  <b></c>\n</a>", 103, u"Malformed XML: Start-end tags mismatch at line 2, column 8"},
    {"unclosed element", "<a>", 124, u"Text ends inside element 'a' at line 1, column 1"},
    {"NUL byte", std::string("<a>x\0y</a>", 10), 105, u"Null character at line 1, column 5"},
    {"stray continuation byte", "<a>\x80</a>", 104, u"Invalid UTF-8 at line 1, column 4"},
    {"overlong form", "<a>\xc0\xaf</a>", 104, u"Invalid UTF-8 at line 1, column 4"},
    {"beyond U+10FFFF", "<a>\xf4\x90\x80\x80</a>", 104, u"Invalid UTF-8 at line 1, column 4"},
    {"truncated sequence", "<a>\xe2\x82</a>", 104, u"Invalid UTF-8 at line 1, column 4"},
    {"invalid UTF-8 in attribute", "<a b='\xff'/>", 104, u"Invalid UTF-8 at line 1, column 7"},
    {"invalid UTF-8 in comment", "<a/><!-- \xff -->", 104, u"Invalid UTF-8 at line 1, column 10"},
    {"invalid UTF-8 in CDATA", "<a><![CDATA[\xfe]]></a>", 104, u"Invalid UTF-8 at line 1, column 13"},
    {"columns count code points", "<a>\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80&x;</a>", 118,
        u"Undefined entity '&x;' at line 1, column 7"},
};

class IllFormedText : public ::testing::TestWithParam<IllFormed> { };

TEST_P(IllFormedText, IsRefusedWithItsPlace)
{
    ExpectRefused(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Table, IllFormedText, ::testing::ValuesIn(kIllFormed), RowName<IllFormed>);

TEST(XmlDecoderLimits, TooLongTextIsRefusedBeforeParsing)
{
    XmlDecoderLimits limits;
    limits.MaxTextBytes = 8;
    // Not even well-formed: the length is judged first.
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder("<a>12345</a", limits); }),
        Refusal(101, u"Text longer than the limit of 8 bytes"));
    EXPECT_NO_THROW(XmlDecoder("<a>1</a>", limits));
}

TEST(XmlDecoderLimits, DeepNestingIsRefusedWithoutRecursion)
{
    auto const nested = [](int levels) {
        std::string text;
        for (int i = 0; i < levels; ++i) {
            text += "<a>";
        }
        for (int i = 0; i < levels; ++i) {
            text += "</a>";
        }
        return text;
    };
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder(nested(100000)); }),
        Refusal(122, u"Elements nested deeper than 256 levels at line 1, column 769"));
    // Within a raised limit a deep text is read, and decoded without recursion
    // (the tree's own destructor recurses, so it stays within the stack's reach).
    XmlDecoderLimits limits;
    limits.MaxDepth = 20000;
    XmlDecoder const decoder(nested(20000), limits);
    std::unique_ptr<ServiceType> const tree = decoder.DecodeTree();
    ASSERT_NE(tree, nullptr);
    EXPECT_EQ(tree->GetType(), COMPOSITE);
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder(nested(20001), limits); }),
        Refusal(122, u"Elements nested deeper than 20000 levels at line 1, column 60001"));
}

TEST(XmlDecoderLimits, BillionLaughsIsRefusedAtTheDocumentType)
{
    std::string text = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n <!ENTITY lol \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        text += " <!ENTITY lol" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k) {
            text += "&lol" + (i == 1 ? std::string() : std::to_string(i - 1)) + ";";
        }
        text += "\">\n";
    }
    text += "]>\n<lolz>&lol9;</lolz>";
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder(text); }),
        Refusal(106, u"Document type declaration not accepted at line 2, column 1"));
}

TEST(XmlDecoderLimits, LegacyBytesCanBeRefused)
{
    XmlDecoderLimits limits;
    limits.AcceptLegacyBytes = false;
    // A pair written as two 3-byte surrogate forms, and a name as single bytes.
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder("<a>\xed\xa0\xbd\xed\xb8\x80</a>", limits); }),
        Refusal(104, u"Invalid UTF-8 at line 1, column 4"));
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder("<caf\xe9>1</caf\xe9>", limits); }),
        Refusal(104, u"Invalid UTF-8 at line 1, column 5"));
    // Accepted by default; the ASCII part of a legacy name must still make a name.
    EXPECT_NO_THROW(XmlDecoder("<caf\xe9>1</caf\xe9>"));
    // Legacy units must make a name too, and only element names may be legacy.
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder("<a\x9a>1</a\x9a>"); }),
        Refusal(121, u"Invalid name 'a\u009a' at line 1, column 2"));
    EXPECT_EQ(
        ThrownLine([&] { XmlDecoder decoder("<a b\xe9='1'/>"); }), Refusal(104, u"Invalid UTF-8 at line 1, column 5"));
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder("<a><?p\xe9 x?></a>"); }),
        Refusal(104, u"Invalid UTF-8 at line 1, column 7"));
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder("<caf\xe9(>1</caf\xe9(>"); }),
        Refusal(103, u"Malformed XML: Error parsing start element tag at line 1, column 6"));
}

TEST(XmlDecoderStream, ReadsToTheEndAndRefusesAFailedStream)
{
    std::istringstream in("<a>1</a>");
    XmlDecoder const decoder(in);
    EXPECT_EQ(static_cast<ScalarType<std::u16string>&>(*decoder.DecodeTree()).GetValueRef(), u"1");
    std::istringstream bad("<a>1</a>");
    bad.setstate(std::ios_base::badbit);
    EXPECT_EQ(ThrownLine([&] { XmlDecoder decoder(bad); }), Refusal(102, u"The stream could not be read"));
}

// ---- refusals while decoding ------------------------------------------------

struct Misfit {
    char const* name;
    std::string text;
    int line;
    std::u16string message;
};

/// The prototype of the decodings below: request { count INT32, label STRING,
/// codes INT16_SEQUENCE, when TIME_STAMP, prices { STRING -> DOUBLE }, extra ANY_TYPE }.
std::unique_ptr<ServiceType> RequestPrototype()
{
    auto* prices = Dictionary(u"prices", Sequence<std::u16string>({}, u"keys"), Sequence<double>({}, u"values"));
    return std::unique_ptr<ServiceType>(Composite(u"request",
        {Scalar<std::int32_t>(0, u"count"), Scalar<std::u16string>(u"", u"label"), Sequence<std::int16_t>({}, u"codes"),
            new TimeStampServiceType(0, u"when"), prices, new AnyTypeServiceType(Scalar<std::int32_t>(0), u"extra")}));
}

std::string Request(std::string const& count, std::string const& codes = "<item>1</item>",
    std::string const& extra = "<extra type='int32'>7</extra>", std::string const& prices = "")
{
    return "<request>\n  <count>" + count + "</count>\n  <label>x</label>\n  <codes>" + codes
        + "</codes>\n  <when>5</when>\n  <prices>" + prices + "</prices>\n  " + extra + "\n</request>";
}

std::vector<Misfit> const kMisfits = {
    {"not a number", Request("4x2"), 134, u"Invalid INT32 value '4x2' in request/count at line 2, column 3"},
    {"out of range", Request("2147483648"), 134,
        u"Invalid INT32 value '2147483648' in request/count at line 2, column 3"},
    {"leading space", Request(" 1"), 134, u"Invalid INT32 value ' 1' in request/count at line 2, column 3"},
    {"plus sign", Request("+1"), 134, u"Invalid INT32 value '+1' in request/count at line 2, column 3"},
    {"empty number", Request(""), 134, u"Invalid INT32 value '' in request/count at line 2, column 3"},
    {"INT16 item out of range", Request("1", "<item>32768</item>"), 134,
        u"Invalid INT16 value '32768' in request/codes/item at line 4, column 10"},
    {"sequence item of another name", Request("1", "<entry>1</entry>"), 135,
        u"Unknown element 'entry' in request/codes/entry at line 4, column 10"},
    {"text in a sequence", Request("1", "x<item>1</item>"), 137,
        u"Unexpected text in request/codes at line 4, column 3"},
    {"element inside a scalar", Request("<n>1</n>"), 135,
        u"Unknown element 'n' in request/count/n at line 2, column 10"},
    {"unknown type", Request("1", "", "<extra type='int33'>7</extra>"), 138,
        u"Unknown type 'int33' in request/extra at line 7, column 3"},
    {"type of a kind without a name", Request("1", "", "<extra type=''>7</extra>"), 138,
        u"Unknown type '' in request/extra at line 7, column 3"},
    {"missing type", Request("1", "", "<extra>7</extra>"), 139,
        u"Missing type attribute in request/extra at line 7, column 3"},
    {"unexpected attribute", Request("1", "", "<extra type='int32' x='1'>7</extra>"), 140,
        u"Unexpected attribute 'x' in request/extra at line 7, column 23"},
    {"wrapped value that does not parse", Request("1", "", "<extra type='boolean'>yes</extra>"), 134,
        u"Invalid BOOLEAN value 'yes' in request/extra at line 7, column 3"},
    {"dictionary item without key", Request("1", "", "<extra type='int32'>7</extra>", "<item><value>1</value></item>"),
        136, u"Missing element 'key' in request/prices/item/value at line 6, column 17"},
    {"dictionary item without value", Request("1", "", "<extra type='int32'>7</extra>", "<item><key>a</key></item>"),
        136, u"Missing element 'value' in request/prices/item at line 6, column 11"},
    {"dictionary value that does not parse",
        Request("1", "", "<extra type='int32'>7</extra>", "<item><key>a</key><value>x</value></item>"), 134,
        u"Invalid DOUBLE value 'x' in request/prices/item/value at line 6, column 29"},
    {"missing child", "<request><count>1</count></request>", 136,
        u"Missing element 'label' in request at line 1, column 1"},
    {"unknown child", Request("1").substr(0, Request("1").size() - 11) + "\n  <other/>\n</request>", 135,
        u"Unknown element 'other' in request/other at line 8, column 3"},
    {"second child of a name", Request("1").substr(0, Request("1").size() - 11) + "\n  <count>2</count>\n</request>",
        135, u"Unknown element 'count' in request/count at line 8, column 3"},
};

class MisfitTree : public ::testing::TestWithParam<Misfit> { };

TEST_P(MisfitTree, IsRefusedWithItsPathAndPlace)
{
    Misfit const& row = GetParam();
    XmlDecoder const decoder(row.text);
    std::unique_ptr<ServiceType> const prototype = RequestPrototype();
    EXPECT_EQ(ThrownLine([&] { decoder.DecodeTree(*prototype); }), Refusal(row.line, row.message)) << row.name;
}

INSTANTIATE_TEST_SUITE_P(Table, MisfitTree, ::testing::ValuesIn(kMisfits), RowName<Misfit>);

} // namespace
