#include "EncodingTestSupport.h"

#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/TimeDurationSequenceType.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/encoding/ServiceMessage.h>
#include <tarnwick/encoding/XmlEncoder.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <limits>
#include <locale>
#include <streambuf>

namespace {

using namespace EncodingTest;
using Tarnwick::ServiceMessage;
using Tarnwick::Encoding::XmlEncoder;

/// The text of a leaf element named v at indent 0, without its tags.
template <class T> std::string LeafOf(T value)
{
    std::unique_ptr<ServiceType> node(Scalar<T>(value));
    std::string text = Encoded(*node);
    EXPECT_EQ(text.substr(0, 3), "<v>");
    EXPECT_EQ(text.substr(text.size() - 5), "</v>\n");
    return text.substr(3, text.size() - 8);
}

std::string Utf8Of(char16_t unit)
{
    std::ostringstream out;
    XmlEncoder::UCS2ToUTF8(out, unit);
    return out.str();
}

ServiceMessage StatusMessage()
{
    ServiceMessage message;
    message.SetMsgType(3);
    message.SetMsgCorrelationId(17);
    message.SetMsgOrderId(1);
    message.SetSessionId(42);
    message.SetConsumerAddress(u"client-1");
    message.SetProducerAddress(u"svc&co");
    message.SetOperationName(u"GetStatus");
    message.SetParametersTypeName(u"StatusRequest");
    return message;
}

TEST(XmlEncoderMessage, WholeMessageByteForByte)
{
    ServiceMessage const message = StatusMessage();
    std::unique_ptr<ServiceType> tree(
        Composite(u"request", {Scalar<std::int32_t>(42, u"count"), Scalar<std::u16string>(u"a<b", u"label")}));
    std::ostringstream out;
    XmlEncoder::EncodeHeader(out, &message);
    XmlEncoder::Encode(out, tree.get(), 2);
    XmlEncoder::AppendFooter(out);
    EXPECT_EQ(out.str(),
        Lines({"<?xml version=\"1.0\" encoding=\"utf-8\" ?>", "<msg", "  MsgType=\"3\"", "  MsgCorrelationId=\"17\"",
            "  MsgOrderId=\"1\"", "  SessionId=\"42\"", "  ConsumerAddress=\"client-1\"",
            "  ProducerAddress=\"svc&amp;co\"", "  OperationName=\"GetStatus\"",
            "  ParametersTypeName=\"StatusRequest\"", ">", "  <request>", "    <count>42</count>",
            "    <label>a&lt;b</label>", "  </request>"})
            + "</msg>");
}

TEST(XmlEncoderMessage, HeaderTypeCodeIsItsLowByteAndEmptyStringsGiveEmptyValues)
{
    ServiceMessage message;
    message.SetMsgType(256);
    std::ostringstream out;
    XmlEncoder::EncodeHeader(out, &message);
    EXPECT_EQ(out.str(),
        Lines({"<?xml version=\"1.0\" encoding=\"utf-8\" ?>", "<msg", "  MsgType=\"0\"", "  MsgCorrelationId=\"0\"",
            "  MsgOrderId=\"0\"", "  SessionId=\"0\"", "  ConsumerAddress=\"\"", "  ProducerAddress=\"\"",
            "  OperationName=\"\"", "  ParametersTypeName=\"\"", ">"}));

    message.SetMsgType(-1);
    message.SetMsgCorrelationId(4294967295u);
    message.SetOperationName(u"\"q\" 'a' <t>");
    std::ostringstream second;
    XmlEncoder::EncodeHeader(second, &message);
    EXPECT_NE(second.str().find("  MsgType=\"255\"\n"), std::string::npos);
    EXPECT_NE(second.str().find("  MsgCorrelationId=\"4294967295\"\n"), std::string::npos);
    EXPECT_NE(second.str().find("  OperationName=\"&quot;q&quot; &apos;a&apos; &lt;t&gt;\"\n"), std::string::npos);
}

TEST(XmlEncoderMessage, FooterHasNoLineEnd)
{
    std::ostringstream out;
    out << "x";
    XmlEncoder::AppendFooter(out);
    out << "y";
    EXPECT_EQ(out.str(), "x</msg>y");
}

// Whole trees byte for byte: every container kind, names, indents and the type
// attribute of a wrapper.
TEST(XmlEncoderTree, ExactText)
{
    auto* items = new CompositeSequenceType(u"list", nullptr);
    items->Add(Composite(u"item", {Scalar<bool>(true, u"on")}));
    items->Add(Composite(u"item", {}));
    struct Case {
        char const* title;
        ServiceType* node;
        std::int32_t indent;
        std::string text;
    };
    Case const cases[] = {
        {"fragment with sequence and wrapper",
            Composite(u"values",
                {Sequence<std::int16_t>({1, -2}, u"codes"),
                    new AnyTypeServiceType(Scalar<double>(2.5, u"ignored"), u"extra")}),
            0,
            Lines({"<values>", "  <codes>", "    <item>1</item>", "    <item>-2</item>", "  </codes>",
                "  <extra type='double'>2.5</extra>", "</values>"})},
        {"empty composite", new CompositeType(u"name"), 2, "  <name>\n  </name>\n"},
        {"empty sequence", new SequenceType<double>(u"d"), 0, "<d>\n</d>\n"},
        {"unnamed", Scalar<std::int32_t>(5, u""), 0, "<>5</>\n"},
        // A negative indent writes no spaces; children follow at indent + 2.
        {"negative indent",
            Composite(u"a", {Composite(u"b", {Scalar<std::int32_t>(1, u"c")}), Scalar<std::int32_t>(2, u"d")}), -2,
            Lines({"<a>", "<b>", "  <c>1</c>", "</b>", "<d>2</d>", "</a>"})},
        {"composite sequence and time nodes",
            Composite(u"t",
                {items, new TimeStampServiceType(1700000000123456ull, u"at"), new TimeDurationServiceType(5, u"for"),
                    new TimeStampSequenceType({1, 18446744073709551615ull}, u"ats"),
                    new TimeDurationSequenceType({}, u"fors")}),
            0,
            Lines({"<t>", "  <list>", "    <item>", "      <on>true</on>", "    </item>", "    <item>", "    </item>",
                "  </list>", "  <at>1700000000123456</at>", "  <for>5</for>", "  <ats>", "    <item>1</item>",
                "    <item>18446744073709551615</item>", "  </ats>", "  <fors>", "  </fors>", "</t>"})},
        {"every sequence kind",
            Composite(u"all",
                {Sequence<std::u16string>({u"a&b", u""}, u"s"), Sequence<bool>({true, false}, u"b"),
                    Sequence<std::int8_t>({-128, 127}, u"i8"), Sequence<std::uint8_t>({0, 255}, u"u8"),
                    Sequence<std::int16_t>({-32768}, u"i16"), Sequence<std::uint16_t>({65535}, u"u16"),
                    Sequence<std::int32_t>({-2147483647 - 1}, u"i32"), Sequence<std::uint32_t>({4294967295u}, u"u32"),
                    Sequence<std::int64_t>({std::numeric_limits<std::int64_t>::min()}, u"i64"),
                    Sequence<std::uint64_t>({std::numeric_limits<std::uint64_t>::max()}, u"u64"),
                    Sequence<float>({0.1f}, u"f"), Sequence<double>({1.0 / 3.0}, u"d")}),
            0,
            Lines({"<all>", "  <s>", "    <item>a&amp;b</item>", "    <item></item>", "  </s>", "  <b>",
                "    <item>true</item>", "    <item>false</item>", "  </b>", "  <i8>", "    <item>-128</item>",
                "    <item>127</item>", "  </i8>", "  <u8>", "    <item>0</item>", "    <item>255</item>", "  </u8>",
                "  <i16>", "    <item>-32768</item>", "  </i16>", "  <u16>", "    <item>65535</item>", "  </u16>",
                "  <i32>", "    <item>-2147483648</item>", "  </i32>", "  <u32>", "    <item>4294967295</item>",
                "  </u32>", "  <i64>", "    <item>-9223372036854775808</item>", "  </i64>", "  <u64>",
                "    <item>18446744073709551615</item>", "  </u64>", "  <f>", "    <item>0.1</item>", "  </f>", "  <d>",
                "    <item>0.333333333333333</item>", "  </d>", "</all>"})},
        // A wrapped sequence opens its own lines.
        {"wrapped sequence", new AnyTypeServiceType(Sequence<std::int32_t>({7, 8}), u"x"), 2,
            Lines({"  <x type='int32_seq'>", "    <item>7</item>", "    <item>8</item>", "  </x>"})},
        {"UTF-8 element name", Scalar<std::int32_t>(1, u"gr\u00f6\u00dfe\u20ac\U0001F600"), 0,
            "<gr\xC3\xB6\xC3\x9F"
            "e\xE2\x82\xAC\xF0\x9F\x98\x80>1</gr\xC3\xB6\xC3\x9F"
            "e\xE2\x82\xAC\xF0\x9F\x98\x80>\n"},
        {"UTF-8 wrapper name", new AnyTypeServiceType(Scalar<bool>(true), u"\u00e9"), 0,
            "<\xC3\xA9 type='boolean'>true</\xC3\xA9>\n"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        std::unique_ptr<ServiceType> node(c.node);
        EXPECT_EQ(Encoded(*node, c.indent), c.text);
    }
    std::unique_ptr<ServiceType> deep(Composite(u"a", {Scalar<std::int32_t>(2, u"d")}));
    EXPECT_EQ(Encoded(*deep, 200).substr(0, 203), std::string(200, ' ') + "<a>");
}

// Item lines and element names at every indent around the usual depth and at
// every name length around the group sizes, against text built here unit by unit.
TEST(XmlEncoderTree, IndentsAndNameLengths)
{
    auto expectedName = [](std::u16string const& name) {
        std::string text;
        for (char16_t const unit : name) {
            if (unit < 0x80) {
                text += unit == 0 ? "" : std::string(1, static_cast<char>(unit));
            } else {
                text += static_cast<char>(0xC0 | (unit >> 6));
                text += static_cast<char>(0x80 | (unit & 0x3F));
            }
        }
        return text;
    };
    std::vector<std::u16string> names;
    for (std::size_t length = 0; length <= 20; ++length) {
        std::u16string name;
        for (std::size_t i = 0; i < length; ++i) {
            name += static_cast<char16_t>(u'a' + i);
        }
        names.push_back(name);
        if (length >= 2) {
            // A unit needing more than one byte, or the unit 0, first or last.
            for (char16_t const odd : {u'\u00e9', u'\0'}) {
                names.push_back(odd + name.substr(1));
                names.push_back(name.substr(0, length - 1) + odd);
            }
        }
    }
    for (std::int32_t indent = -3; indent <= 40; ++indent) {
        for (auto const& name : names) {
            std::unique_ptr<ServiceType> node(Composite(name,
                {Sequence<std::int8_t>({-128, 7}, name), Sequence<std::uint64_t>({18446744073709551615ull}, u"u")}));
            auto const spaces = [](std::int32_t count) { return std::string(count > 0 ? count : 0, ' '); };
            std::string const n = expectedName(name);
            std::string const expected = spaces(indent) + "<" + n + ">\n" + spaces(indent + 2) + "<" + n + ">\n"
                + spaces(indent + 4) + "<item>-128</item>\n" + spaces(indent + 4) + "<item>7</item>\n"
                + spaces(indent + 2) + "</" + n + ">\n" + spaces(indent + 2) + "<u>\n" + spaces(indent + 4)
                + "<item>18446744073709551615</item>\n" + spaces(indent + 2) + "</u>\n" + spaces(indent) + "</" + n
                + ">\n";
            ASSERT_EQ(Encoded(*node, indent), expected) << indent << " " << n;
        }
    }
}

TEST(XmlEncoderAnyType, TypeAttributeOfEveryNamedKind)
{
    struct Case {
        ServiceType* node;
        char const* type;
    };
    Case const cases[] = {{Scalar<std::u16string>(u"t"), "string"}, {Scalar<bool>(false), "boolean"},
        {Scalar<std::int8_t>(-1), "int8"}, {Scalar<std::uint8_t>(1), "uint8"}, {Scalar<std::int16_t>(1), "int16"},
        {Scalar<std::uint16_t>(1), "uint16"}, {Scalar<std::int32_t>(1), "int32"}, {Scalar<std::uint32_t>(1), "uint32"},
        {Scalar<std::int64_t>(1), "int64"}, {Scalar<std::uint64_t>(1), "uint64"}, {Scalar<float>(1), "float"},
        {Scalar<double>(1), "double"}, {new XmlString(u"<a/>", u""), "xml_string"},
        {new TimeStampServiceType(1, u""), "time_stamp"}, {new TimeDurationServiceType(1, u""), "time_duration"}};
    for (auto const& c : cases) {
        std::unique_ptr<ServiceType> any(new AnyTypeServiceType(c.node, u"a"));
        std::string const text = Encoded(*any);
        EXPECT_EQ(text.substr(0, text.find('>') + 1), std::string("<a type='") + c.type + "'>") << text;
    }
}

TEST(XmlEncoderAnyType, KindsWithoutNameFailAfterTheIndentOnly)
{
    std::vector<ServiceType*> const values
        = {new TimeStampSequenceType({1}, u""), new TimeDurationSequenceType({1}, u""), new CompositeType(u"c"),
            new CompositeSequenceType(u"cs", nullptr), new AnyTypeServiceType(Scalar<std::int32_t>(1), u"inner"),
            new AnyTypeSequenceType(u"as"), nullptr /* an empty wrapper */};
    for (ServiceType* value : values) {
        std::unique_ptr<ServiceType> tree(Composite(u"p", {new AnyTypeServiceType(value, u"a")}));
        std::ostringstream out;
        EXPECT_EQ(ThrownLine([&] { XmlEncoder::Encode(out, tree.get(), 0); }), kUnsupportedInAnyType);
        EXPECT_EQ(out.str(), "<p>\n  ");
    }
}

TEST(XmlEncoderFailure, UnsupportedKindsKeepThePartialOutput)
{
    {
        std::unique_ptr<ServiceType> tree(
            Composite(u"p", {Scalar<std::int32_t>(1, u"ok"), new AnyTypeSequenceType(u"loose")}));
        std::ostringstream out;
        EXPECT_EQ(ThrownLine([&] { XmlEncoder::Encode(out, tree.get(), 0); }), kUnsupported);
        EXPECT_EQ(out.str(), "<p>\n  <ok>1</ok>\n  <loose>\n");
    }
    // Any 32-bit code a caller's node answers, the extremes included.
    for (ParamType const type : {NULL_TYPE, static_cast<ParamType>(35), static_cast<ParamType>(-1),
             static_cast<ParamType>(std::numeric_limits<std::int32_t>::min()),
             static_cast<ParamType>(std::numeric_limits<std::int32_t>::max())}) {
        ForeignNode const node(type, true);
        std::ostringstream out;
        EXPECT_EQ(ThrownLine([&] { XmlEncoder::Encode(out, &node, 1); }), kUnsupported);
        EXPECT_EQ(out.str(), " <odd>");
    }
    std::ostringstream out;
    EXPECT_EQ(ThrownLine([&] { XmlEncoder::Encode(out, nullptr, 0); }), kUnsupported);
    EXPECT_EQ(out.str(), "");
}

TEST(XmlEncoderFailure, ANodeOfAnotherClassThanItsCodeIsRefusedNotMisread)
{
    // Callers derive their own nodes; one answering a code of the library's
    // classes without being one of them must not be read as one.
    for (ParamType const type : {STRING, INT32, DOUBLE, XML_STRING, TIME_STAMP, INT32_SEQUENCE, STRING_SEQUENCE,
             TIME_DURATION_SEQUENCE, COMPOSITE, COMPOSITE_SEQUENCE, DICTIONARY, ANY_TYPE}) {
        ForeignNode const node(
            type, type == ANY_TYPE || type < STRING_SEQUENCE || type == XML_STRING || type == TIME_STAMP);
        std::ostringstream out;
        EXPECT_EQ(ThrownLine([&] { XmlEncoder::Encode(out, &node, 0); }), kUnsupported) << type;
    }

    // A caller's class derived from a library node is that node.
    class Speed : public ScalarType<std::int32_t> {
    public:
        Speed()
            : ScalarType<std::int32_t>(88, u"speed")
        { }
    };
    Speed const speed;
    EXPECT_EQ(Encoded(speed), "<speed>88</speed>\n");
}

TEST(XmlEncoderFailure, NarrowStringOverloadReplacesOrKeeps)
{
    std::unique_ptr<ServiceType> good(Scalar<std::int32_t>(9, u"n"));
    std::string text = "old content";
    XmlEncoder::Encode(text, good.get(), 1);
    EXPECT_EQ(text, " <n>9</n>\n");

    std::unique_ptr<ServiceType> bad(Composite(u"p", {Scalar<std::int32_t>(1), new AnyTypeSequenceType(u"x")}));
    EXPECT_THROW(XmlEncoder::Encode(text, bad.get(), 0), Tarnwick::ServiceException);
    EXPECT_EQ(text, " <n>9</n>\n");
}

TEST(XmlEncoderText, EscapingOfStringsAndRawXml)
{
    std::u16string const value = u"say \"hi\" & 'bye' <now> \t\r\n\x01 end";
    EXPECT_EQ(LeafOf<std::u16string>(value), "say &quot;hi&quot; &amp; &apos;bye&apos; &lt;now&gt; \t\r\n\x01 end");
    std::unique_ptr<ServiceType> xml(new XmlString(value, u"v"));
    EXPECT_EQ(Encoded(*xml), "<v>say \"hi\" & 'bye' <now> \t\r\n\x01 end</v>\n");
    std::ostringstream out;
    XmlString const fragment(u"<a b='1'>\u00e9</a>", u"n");
    XmlEncoder::EncodeXml(out, &fragment);
    EXPECT_EQ(out.str(), "<a b='1'>\xc3\xa9</a>");
}

TEST(XmlEncoderText, LongTextCrossesTheBufferIntact)
{
    // Long enough to be written in many blocks, with pairs and entities at every offset.
    std::u16string value;
    std::string expected;
    for (int i = 0; i < 9000; ++i) {
        switch (i % 4) {
        case 0:
            value += u"\U0001F600";
            expected += "\xF0\x9F\x98\x80";
            break;
        case 1:
            value += u"&";
            expected += "&amp;";
            break;
        case 2:
            value += u"\u20ac";
            expected += "\xE2\x82\xAC";
            break;
        default:
            value += u"x";
            expected += "x";
        }
    }
    EXPECT_EQ(LeafOf<std::u16string>(value), expected);
    std::unique_ptr<ServiceType> xml(new XmlString(value, u"v"));
    std::string const raw = Encoded(*xml);
    EXPECT_EQ(raw.size(), 3 + 9000 / 4 * (4 + 1 + 3 + 1) + 5);
}

TEST(XmlEncoderText, Ucs2ToUtf8Boundaries)
{
    struct Case {
        char16_t unit;
        char const* bytes;
    };
    Case const cases[] = {{0x0041, "\x41"}, {0x007F, "\x7F"}, {0x0080, "\xC2\x80"}, {0x07FF, "\xDF\xBF"},
        {0x0800, "\xE0\xA0\x80"}, {0xFFFF, "\xEF\xBF\xBF"}, {0xD83D, "\xEF\xBF\xBD"}, {0xDE00, "\xEF\xBF\xBD"},
        {0xD800, "\xEF\xBF\xBD"}, {0xDFFF, "\xEF\xBF\xBD"}, {0xE000, "\xEE\x80\x80"}};
    for (auto const& c : cases) {
        EXPECT_EQ(Utf8Of(c.unit), c.bytes) << std::hex << static_cast<int>(c.unit);
    }
    EXPECT_EQ(Utf8Of(0), "");
}

// Text is narrowed many units at a time: every kind of unit that needs more
// than a copy, at every position of texts of every length around those steps,
// in a string value (escaped), an XML fragment (raw) and an element name.
TEST(XmlEncoderText, EveryPositionOfEverySpecialUnit)
{
    struct Special {
        std::u16string unit;
        std::string escaped;
        std::string raw;
    };
    Special const specials[]
        = {{u"\"", "&quot;", "\""}, {u"&", "&amp;", "&"}, {u"'", "&apos;", "'"}, {u"<", "&lt;", "<"},
            {u">", "&gt;", ">"}, {u"\u00e9", "\xC3\xA9", "\xC3\xA9"}, {u"\u20ac", "\xE2\x82\xAC", "\xE2\x82\xAC"},
            {std::u16string(1, u'\0'), "", ""}, {u"\U0001F600", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
            {std::u16string(1, char16_t(0xDC00)), "\xEF\xBF\xBD", "\xEF\xBF\xBD"}, {u"\u0100", "\xC4\x80", "\xC4\x80"},
            {u"\u00ff", "\xC3\xBF", "\xC3\xBF"}, {u"\u0080", "\xC2\x80", "\xC2\x80"}};
    for (std::size_t length = 1; length <= 40; ++length) {
        for (std::size_t at = 0; at < length; ++at) {
            for (auto const& special : specials) {
                std::u16string const text
                    = std::u16string(at, u'a') + special.unit + std::u16string(length - at - 1, u'b');
                std::string const before(at, 'a');
                std::string const after(length - at - 1, 'b');
                ASSERT_EQ(LeafOf<std::u16string>(text), before + special.escaped + after) << length << " " << at;
                std::unique_ptr<ServiceType> xml(new XmlString(text, u"v"));
                ASSERT_EQ(Encoded(*xml), "<v>" + before + special.raw + after + "</v>\n") << length << " " << at;
                std::unique_ptr<ServiceType> named(Scalar<bool>(true, text));
                std::string const name = before + special.raw + after;
                ASSERT_EQ(Encoded(*named), "<" + name + ">true</" + name + ">\n") << length << " " << at;
            }
        }
        std::u16string const plain(length, u'p');
        ASSERT_EQ(LeafOf<std::u16string>(plain), std::string(length, 'p'));
    }
}

TEST(XmlEncoderText, SurrogatesPairsAndTheUnitZero)
{
    EXPECT_EQ(LeafOf<std::u16string>(u"\xD83D\xDE00"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(LeafOf<std::u16string>(u"\U0010FFFF"), "\xF4\x8F\xBF\xBF");
    EXPECT_EQ(LeafOf<std::u16string>(std::u16string(u"a\xD83Dz")), "a\xEF\xBF\xBDz");
    EXPECT_EQ(LeafOf<std::u16string>(std::u16string(u"a\xDE00\xD83D")), "a\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(LeafOf<std::u16string>(std::u16string(u"\xD83D\xD83D\xDE00")), "\xEF\xBF\xBD\xF0\x9F\x98\x80");
    EXPECT_EQ(LeafOf<std::u16string>(std::u16string(u"a\0b", 3)), "ab");
    std::unique_ptr<ServiceType> xml(new XmlString(std::u16string(u"<\0\xD83D\xDE00\xDC00/>", 7), u"v"));
    EXPECT_EQ(Encoded(*xml), "<v><\xF0\x9F\x98\x80\xEF\xBF\xBD/></v>\n");
}

TEST(XmlEncoderNumbers, EightBitIntegersAndBooleans)
{
    EXPECT_EQ(LeafOf<std::int8_t>(-1), "-1");
    EXPECT_EQ(LeafOf<std::int8_t>(65), "65");
    EXPECT_EQ(LeafOf<std::uint8_t>(255), "255");
    EXPECT_EQ(LeafOf<std::int64_t>(std::numeric_limits<std::int64_t>::min()), "-9223372036854775808");
    EXPECT_EQ(LeafOf<std::uint64_t>(std::numeric_limits<std::uint64_t>::max()), "18446744073709551615");
    for (bool const alpha : {false, true}) {
        std::ostringstream out;
        if (alpha) {
            out << std::boolalpha;
        }
        std::unique_ptr<ServiceType> node(Composite(u"b", {Scalar<bool>(true), Scalar<bool>(false)}));
        XmlEncoder::Encode(out, node.get(), 0);
        EXPECT_EQ(out.str(), Lines({"<b>", "  <v>true</v>", "  <v>false</v>", "</b>"}));
    }
}

TEST(XmlEncoderNumbers, FloatingPointFormats)
{
    EXPECT_EQ(LeafOf<double>(0.1), "0.1");
    EXPECT_EQ(LeafOf<double>(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(LeafOf<float>(1.0f / 3.0f), "0.333333");
    EXPECT_EQ(LeafOf<double>(2.5), "2.5");
    EXPECT_EQ(LeafOf<double>(1e20), "1e+20");
    EXPECT_EQ(LeafOf<double>(-0.0), "-0");
    EXPECT_EQ(LeafOf<double>(1e-5), "1e-05");
    EXPECT_EQ(LeafOf<double>(123456789012345678.0), "1.23456789012346e+17");
    EXPECT_EQ(LeafOf<double>(std::numeric_limits<double>::infinity()), "inf");
    EXPECT_EQ(LeafOf<float>(-std::numeric_limits<float>::infinity()), "-inf");

    // The caller's precision drives FLOAT and is restored after DOUBLE.
    std::ostringstream out;
    out.precision(3);
    std::unique_ptr<ServiceType> node(
        Composite(u"n", {Scalar<float>(0.1f), Scalar<float>(1.0f / 3.0f), Scalar<double>(0.1)}));
    XmlEncoder::Encode(out, node.get(), 0);
    EXPECT_EQ(out.str(), Lines({"<n>", "  <v>0.1</v>", "  <v>0.333</v>", "  <v>0.1</v>", "</n>"}));
    EXPECT_EQ(out.precision(), 3);
}

/// What the stream's own insertion writes, for comparison with the encoder's output.
template <class T> std::string Inserted(std::ostream& like, T value)
{
    std::ostringstream reference;
    reference.copyfmt(like);
    reference << value;
    return reference.str();
}

TEST(XmlEncoderNumbers, FloatTextEqualsTheStreamsInsertionAtEveryPrecision)
{
    double const samples[] = {0.0, 1.0, -1.5, 0.1, 1.0 / 3.0, 2.0 / 3.0, 123456.789, 1e15, 1e16, 9.999999999999999e14,
        1e-4, 9.99999e-5, 5e-324, 1.7976931348623157e308, 0.000123456, 100.0, 1234567.0, std::nan(""),
        -std::numeric_limits<double>::infinity(), 0.5, 999999.5, 9.5, 0.95, 0.00012, -20.72, 123456789012345.0, 1e14,
        99999.95, 0.30000000000000004, 1e-300, 3.4e38, 1.17549435e-38};
    for (std::streamsize precision : {0, 1, 2, 6, 9, 15, 17, 30}) {
        for (double const sample : samples) {
            std::ostringstream out;
            out.precision(precision);
            std::unique_ptr<ServiceType> node(
                Composite(u"n", {Scalar<float>(static_cast<float>(sample)), Scalar<double>(sample)}));
            XmlEncoder::Encode(out, node.get(), 0);
            std::ostringstream fifteen;
            fifteen.precision(15);
            EXPECT_EQ(out.str(),
                Lines({"<n>", "  <v>" + Inserted(out, static_cast<float>(sample)) + "</v>",
                    "  <v>" + Inserted(fifteen, sample) + "</v>", "</n>"}))
                << sample << " at " << precision;
        }
    }
}

TEST(XmlEncoderNumbers, RandomFloatsEqualTheStreamsInsertion)
{
    // Values with short and with full-length digits, normal and subnormal, at every precision a caller may set.
    std::mt19937_64 random(20240611);
    std::vector<double> values;
    for (int i = 0; i < 3000; ++i) {
        std::uint64_t const bits = random();
        double value;
        std::memcpy(&value, &bits, sizeof value);
        values.push_back(value);
        values.push_back(static_cast<double>(static_cast<std::int64_t>(bits % 2000001) - 1000000) / 100.0);
        values.push_back(static_cast<double>(bits % 1000) * std::pow(10.0, static_cast<int>(bits % 41) - 20));
        values.push_back(std::ldexp(static_cast<double>(bits % 4096), -1060));
    }
    for (std::streamsize precision : {0, 1, 3, 6, 7, 15, 16, 17}) {
        std::ostringstream reference;
        reference.precision(precision);
        std::ostringstream fifteen;
        fifteen.precision(15);
        auto sequence = std::make_unique<SequenceType<float>>(u"f");
        auto doubles = std::make_unique<SequenceType<double>>(u"d");
        std::string expectedFloats = "<f>\n";
        std::string expectedDoubles = "<d>\n";
        for (double const value : values) {
            float const narrow = static_cast<float>(value);
            sequence->GetValue().push_back(narrow);
            doubles->GetValue().push_back(value);
            expectedFloats += "  <item>" + Inserted(reference, narrow) + "</item>\n";
            expectedDoubles += "  <item>" + Inserted(fifteen, value) + "</item>\n";
        }
        std::ostringstream out;
        out.precision(precision);
        XmlEncoder::Encode(out, sequence.get(), 0);
        EXPECT_EQ(out.str(), expectedFloats + "</f>\n") << "precision " << precision;
        if (precision == 6) {
            EXPECT_EQ(Encoded(*doubles), expectedDoubles + "</d>\n");
        }
    }
}

TEST(XmlEncoderNumbers, CallersFormattingStateAppliesToNumbers)
{
    std::unique_ptr<ServiceType> node(Composite(u"n",
        {Scalar<std::int32_t>(255), Scalar<std::int8_t>(-1), Scalar<std::uint8_t>(200), Scalar<std::uint64_t>(16),
            Scalar<double>(0.5), Scalar<float>(2.0f)}));
    {
        std::ostringstream out;
        out << std::hex << std::showbase;
        XmlEncoder::Encode(out, node.get(), 0);
        EXPECT_EQ(out.str(),
            Lines({"<n>", "  <v>0xff</v>", "  <v>0xffff</v>", "  <v>0xc8</v>", "  <v>0x10</v>", "  <v>0.5</v>",
                "  <v>2</v>", "</n>"}));
    }
    {
        std::ostringstream out;
        out << std::showpos << std::fixed;
        out.precision(2);
        XmlEncoder::Encode(out, node.get(), 0);
        EXPECT_EQ(out.str(),
            Lines({"<n>", "  <v>+255</v>", "  <v>-1</v>", "  <v>200</v>", "  <v>16</v>", "  <v>+0.500000000000000</v>",
                "  <v>+2.00</v>", "</n>"}));
        EXPECT_EQ(out.precision(), 2);
    }
    {
        // A pending width pads the first number inserted, not the text.
        std::ostringstream out;
        out.width(5);
        out.fill('*');
        XmlEncoder::Encode(out, node.get(), 0);
        EXPECT_EQ(out.str().substr(0, 18), "<n>\n  <v>**255</v>");
        EXPECT_EQ(out.width(), 0);
    }
}

/// Groups digits by threes with a comma and writes ',' as the decimal point.
struct GroupingPunct : std::numpunct<char> {
    char do_thousands_sep() const override { return '.'; }
    char do_decimal_point() const override { return ','; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(XmlEncoderNumbers, TheStreamsLocaleApplies)
{
    std::ostringstream out;
    out.imbue(std::locale(std::locale::classic(), new GroupingPunct));
    ServiceMessage message;
    message.SetMsgCorrelationId(1234567);
    XmlEncoder::EncodeHeader(out, &message);
    std::unique_ptr<ServiceType> node(Composite(u"n", {Scalar<std::int64_t>(-1234567), Scalar<double>(1234.5)}));
    XmlEncoder::Encode(out, node.get(), 0);
    EXPECT_NE(out.str().find("MsgCorrelationId=\"1.234.567\""), std::string::npos);
    EXPECT_NE(out.str().find("<v>-1.234.567</v>"), std::string::npos);
    EXPECT_NE(out.str().find("<v>1.234,5</v>"), std::string::npos);
}

/// Records what reached the buffer at each flush.
class FlushLog : public std::stringbuf {
public:
    std::vector<std::string> flushed;

protected:
    int sync() override
    {
        flushed.push_back(str());
        return 0;
    }
};

TEST(XmlEncoderStream, EveryLineEndIsFlushed)
{
    FlushLog log;
    std::ostream out(&log);
    std::unique_ptr<ServiceType> node(Composite(u"n", {Sequence<std::int32_t>({1, 2}), Scalar<bool>(true)}));
    XmlEncoder::Encode(out, node.get(), 0);
    std::vector<std::string> expected;
    std::string text;
    for (std::string const line :
        {"<n>", "  <s>", "    <item>1</item>", "    <item>2</item>", "  </s>", "  <v>true</v>", "</n>"}) {
        text += line + "\n";
        expected.push_back(text);
    }
    EXPECT_EQ(log.flushed, expected);
}

// ---- One call for the whole message ----------------------------------------

/// The header, the tree (when there is one) and the footer by the three calls,
/// each line end flushed into `log`.
void ThreeCalls(std::ostream& out, ServiceMessage const& message, ServiceType const* tree, std::int32_t indent)
{
    XmlEncoder::EncodeHeader(out, &message);
    if (tree != nullptr) {
        XmlEncoder::Encode(out, tree, indent);
    }
    XmlEncoder::AppendFooter(out);
}

TEST(XmlEncoderWholeMessage, EncodeMessageWritesTheBytesAndFlushesOfTheThreeCalls)
{
    ServiceMessage const message = StatusMessage();
    std::unique_ptr<ServiceType> const request(Composite(u"request",
        {Scalar<std::int32_t>(42, u"count"), Scalar<std::u16string>(u"Caf\u00E9 \"<&>\"", u"label"),
            Sequence<double>(std::vector<double>(300, 0.25), u"prices")}));
    std::unique_ptr<ServiceType> const leaf(Scalar<bool>(true, u"flag"));
    for (ServiceType const* tree : {request.get(), leaf.get(), static_cast<ServiceType*>(nullptr)}) {
        for (std::int32_t const indent : {0, 2, -3}) {
            FlushLog threeCalls;
            std::ostream threeCallsOut(&threeCalls);
            ThreeCalls(threeCallsOut, message, tree, indent);
            FlushLog oneCall;
            std::ostream oneCallOut(&oneCall);
            XmlEncoder::EncodeMessage(oneCallOut, message, tree, indent);
            EXPECT_EQ(oneCall.str(), threeCalls.str()) << "indent " << indent;
            EXPECT_EQ(oneCall.flushed, threeCalls.flushed);

            std::string text = "replaced";
            XmlEncoder::EncodeMessage(text, message, tree, indent);
            EXPECT_EQ(text, threeCalls.str());
        }
    }
    std::string headerAndFooter;
    XmlEncoder::EncodeMessage(headerAndFooter, message, nullptr, 2);
    EXPECT_EQ(headerAndFooter.substr(headerAndFooter.size() - 23), "StatusRequest\"\n>\n</msg>");
}

TEST(XmlEncoderWholeMessage, AFailureKeepsTheStringAndLeavesTheStreamAsTheThreeCallsDo)
{
    ServiceMessage const message = StatusMessage();
    std::unique_ptr<ServiceType> const bad(
        Composite(u"p", {Scalar<std::int32_t>(1), new ForeignNode(ParamType(99), true)}));
    std::string text = "kept";
    EXPECT_EQ(ThrownLine([&] { XmlEncoder::EncodeMessage(text, message, bad.get(), 0); }), kUnsupported);
    EXPECT_EQ(text, "kept");

    std::ostringstream threeCalls;
    EXPECT_EQ(ThrownLine([&] { ThreeCalls(threeCalls, message, bad.get(), 0); }), kUnsupported);
    std::ostringstream oneCall;
    EXPECT_EQ(ThrownLine([&] { XmlEncoder::EncodeMessage(oneCall, message, bad.get(), 0); }), kUnsupported);
    EXPECT_EQ(oneCall.str(), threeCalls.str());
    EXPECT_NE(oneCall.str().find("  <v>1</v>\n"), std::string::npos) << oneCall.str();
}

// A plain string stream gets its lines in blocks without a flush; a caller's
// stream buffer, even one derived from the string buffer, still sees every
// line end flushed; the bytes are the same.
TEST(XmlEncoderStream, PlainStringStreamAndCallersBuffersGetTheSameBytes)
{
    std::vector<ServiceType*> records;
    for (int i = 0; i < 200; ++i) {
        records.push_back(Composite(u"record",
            {Scalar<std::int32_t>(i * 7919, u"id"),
                Scalar<std::u16string>(u"R\u00e9cord <" + std::u16string(i % 50, u'x') + u">", u"name"),
                Sequence<std::int16_t>({static_cast<std::int16_t>(i), -1, 300}, u"codes")}));
    }
    std::unique_ptr<ServiceType> const tree(Composite(u"records", records));
    std::ostringstream plain;
    XmlEncoder::Encode(plain, tree.get(), 2);
    std::string const bytes = plain.str();
    FlushLog log;
    std::ostream derived(&log);
    XmlEncoder::Encode(derived, tree.get(), 2);
    EXPECT_EQ(log.str(), bytes);
    ASSERT_EQ(log.flushed.size(), static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')));
    EXPECT_GT(bytes.size(), 16384u);
    std::string text;
    XmlEncoder::Encode(text, tree.get(), 2);
    EXPECT_EQ(text, bytes);
}

/// A buffer that takes at most `room` bytes and whose sync can fail.
class LimitedBuffer : public std::streambuf {
public:
    LimitedBuffer(std::size_t room, bool syncFails)
        : m_Room(room)
        , m_SyncFails(syncFails)
    { }
    std::string text;
    int syncs = 0;

protected:
    int_type overflow(int_type c) override
    {
        if (traits_type::eq_int_type(c, traits_type::eof()) || text.size() >= m_Room) {
            return traits_type::eof();
        }
        text += traits_type::to_char_type(c);
        return c;
    }
    int sync() override
    {
        ++syncs;
        return m_SyncFails ? -1 : 0;
    }

private:
    std::size_t m_Room;
    bool m_SyncFails;
};

TEST(XmlEncoderStream, FailuresOfTheBufferShowInTheStreamStateAsWithWriteAndFlush)
{
    std::unique_ptr<ServiceType> node(Composite(u"n", {Scalar<std::int32_t>(1), Scalar<std::int32_t>(2)}));
    struct Case {
        char const* title;
        std::size_t room;
        bool syncFails;
        bool raises;
        char const* written;
    };
    Case const cases[] = {
        // A sync failing makes the stream bad, as flush() does; nothing more is written.
        {"failing sync", 1000, true, false, "<n>\n"},
        // A short write makes the stream bad, as write() does.
        {"short write", 6, false, false, "<n>\n  "},
        // With badbit in the exception mask the stream's own failure is raised.
        {"badbit raised", 1000, true, true, "<n>\n"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        LimitedBuffer buffer(c.room, c.syncFails);
        std::ostream out(&buffer);
        if (c.raises) {
            out.exceptions(std::ios_base::badbit);
            EXPECT_THROW(XmlEncoder::Encode(out, node.get(), 0), std::ios_base::failure);
        } else {
            XmlEncoder::Encode(out, node.get(), 0);
            EXPECT_TRUE(out.bad());
            EXPECT_EQ(buffer.syncs, 1);
        }
        EXPECT_EQ(buffer.text, c.written);
    }
    {
        // A stream already failed writes nothing.
        std::ostringstream out;
        out.setstate(std::ios_base::failbit);
        XmlEncoder::Encode(out, node.get(), 0);
        EXPECT_EQ(out.str(), "");
    }
}

TEST(XmlEncoderStream, TiedStreamAndUnitbufAreHonoured)
{
    std::unique_ptr<ServiceType> node(Composite(u"n", {Scalar<std::int32_t>(1)}));
    FlushLog tiedLog;
    std::ostream tied(&tiedLog);
    tied << "before";
    std::ostringstream out;
    out.tie(&tied);
    XmlEncoder::Encode(out, node.get(), 0);
    EXPECT_EQ(out.str(), Lines({"<n>", "  <v>1</v>", "</n>"}));
    // The tied stream is flushed before the output written to the encoder's stream.
    ASSERT_FALSE(tiedLog.flushed.empty());
    EXPECT_EQ(tiedLog.flushed.front(), "before");

    FlushLog log;
    std::ostream unit(&log);
    unit << std::unitbuf;
    XmlEncoder::Encode(unit, node.get(), 0);
    EXPECT_EQ(log.str(), Lines({"<n>", "  <v>1</v>", "</n>"}));
    EXPECT_GE(log.flushed.size(), 3u);
    EXPECT_EQ(log.flushed.back(), log.str());
}

TEST(XmlEncoderTypes, GetStrTypeTable)
{
    char const* const names[35] = {nullptr, nullptr, "string", "boolean", "int8", "uint8", "int16", "uint16", "int32",
        "uint32", "int64", "uint64", "float", "double", "string_seq", "boolean_seq", "int8_seq", "uint8_seq",
        "int16_seq", "uint16_seq", "int32_seq", "uint32_seq", "int64_seq", "uint64_seq", "float_seq", "double_seq",
        nullptr, nullptr, nullptr, nullptr, "xml_string", "time_stamp", nullptr, "time_duration", nullptr};
    for (std::int32_t code = -2; code < 37; ++code) {
        auto const type = static_cast<ParamType>(code);
        if (code >= 0 && code < 35 && names[code] != nullptr) {
            EXPECT_EQ(XmlEncoder::GetStrType(type), names[code]);
        } else {
            EXPECT_EQ(ThrownLine([&] { XmlEncoder::GetStrType(type); }), kUnsupportedInAnyType) << code;
        }
    }
}

} // namespace
