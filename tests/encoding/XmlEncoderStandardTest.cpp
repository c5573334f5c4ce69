// The encoder's options and its standard profile: exact bytes per option, the
// refusals with their lines and paths, numbers that read back to the same bits,
// trees of any depth, and the property that every standard-profile message of a
// random tree is read back to the same names and values by libxml2, by Python's
// ElementTree and by this library's decoder.

#include "EncodingTestSupport.h"
#include "RandomTrees.h"
#include "XmlReadBack.h"

#include <tarnwick/datatypes/PrimitiveCode.h>
#include <tarnwick/datatypes/TimeDurationSequenceType.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/encoding/ServiceMessage.h>
#include <tarnwick/encoding/XmlDecoder.h>

#include <libxml/parser.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <fstream>
#include <limits>
#include <random>
#include <tuple>
#include <unistd.h>

namespace {

using namespace EncodingTest;
using namespace RandomTreeSupport;
using Tarnwick::ServiceMessage;
using Tarnwick::Encoding::XmlDecoder;
using Tarnwick::Encoding::XmlEncoder;
using Tarnwick::Encoding::XmlEncoderOptions;

XmlEncoderOptions Options(bool roundTrip, bool whitespace, bool refuse)
{
    XmlEncoderOptions options;
    options.RoundTripNumbers = roundTrip;
    options.ReferenceWhitespace = whitespace;
    options.RefuseNonXml = refuse;
    return options;
}

ServiceMessage Header(std::u16string const& operation, std::int32_t type = 3)
{
    ServiceMessage message;
    message.SetMsgType(type);
    message.SetOperationName(operation);
    return message;
}

std::string HeaderLines(std::string const& operation, std::string const& type = "3")
{
    return Lines({"<?xml version=\"1.0\" encoding=\"utf-8\" ?>", "<msg", "  MsgType=\"" + type + "\"",
        "  MsgCorrelationId=\"0\"", "  MsgOrderId=\"0\"", "  SessionId=\"0\"", "  ConsumerAddress=\"\"",
        "  ProducerAddress=\"\"", "  OperationName=\"" + operation + "\"", "  ParametersTypeName=\"\"", ">"});
}

// Each option on its own and all together, on one message whose values each option touches.
TEST(XmlEncoderOptions, ExactBytesOfEveryOption)
{
    std::unique_ptr<ServiceType> const tree(Composite(u"r",
        {Scalar<std::u16string>(u"a\tb\nc\rd<&>", u"s"), Scalar<double>(0.1 + 0.2, u"d"), Scalar<float>(0.1f, u"f"),
            Sequence<double>({1.0 / 3, 1e300}, u"ds"), Sequence<std::u16string>({u"\r"}, u"ss"),
            new XmlString(u"<x>\r</x>", u"x")}));
    ServiceMessage const header = Header(u"op\t\n\r");
    struct Case {
        char const* title;
        XmlEncoderOptions options;
        std::string operation;
        std::string s;
        std::string d;
        std::string f;
        std::string ds[2];
        std::string ss;
    };
    Case const cases[] = {
        {"documented", {}, "op\t\n\r", "a\tb\nc\rd&lt;&amp;&gt;", "0.3", "0.1", {"0.333333333333333", "1e+300"}, "\r"},
        {"round-trip numbers", Options(true, false, false), "op\t\n\r", "a\tb\nc\rd&lt;&amp;&gt;",
            "0.30000000000000004", "0.1", {"0.3333333333333333", "1e+300"}, "\r"},
        {"whitespace references", Options(false, true, false), "op&#9;&#10;&#13;", "a\tb\nc&#13;d&lt;&amp;&gt;", "0.3",
            "0.1", {"0.333333333333333", "1e+300"}, "&#13;"},
        {"refusal only", Options(false, false, true), "op\t\n\r", "a\tb\nc\rd&lt;&amp;&gt;", "0.3", "0.1",
            {"0.333333333333333", "1e+300"}, "\r"},
        {"standard", XmlEncoderOptions::Standard(), "op&#9;&#10;&#13;", "a\tb\nc&#13;d&lt;&amp;&gt;",
            "0.30000000000000004", "0.1", {"0.3333333333333333", "1e+300"}, "&#13;"},
    };
    for (Case const& c : cases) {
        std::string const expected = HeaderLines(c.operation)
            + Lines({"  <r>", "    <s>" + c.s + "</s>", "    <d>" + c.d + "</d>", "    <f>" + c.f + "</f>", "    <ds>",
                "      <item>" + c.ds[0] + "</item>", "      <item>" + c.ds[1] + "</item>", "    </ds>", "    <ss>",
                "      <item>" + c.ss + "</item>", "    </ss>", "    <x><x>\r</x></x>", "  </r>"})
            + "</msg>";
        std::string text;
        XmlEncoder::EncodeMessage(text, header, tree.get(), 2, c.options);
        EXPECT_EQ(text, expected) << c.title;
        // The three calls write the same bytes as the one.
        std::ostringstream out;
        XmlEncoder::EncodeHeader(out, &header, c.options);
        XmlEncoder::Encode(out, tree.get(), 2, c.options);
        XmlEncoder::AppendFooter(out);
        EXPECT_EQ(out.str(), expected) << c.title;
    }
    // Default options are the documented overloads, byte for byte.
    std::string documented;
    XmlEncoder::EncodeMessage(documented, header, tree.get(), 2);
    std::string const expected = documented;
    XmlEncoder::EncodeMessage(documented, header, tree.get(), 2, XmlEncoderOptions {});
    EXPECT_EQ(documented, expected);
}

TEST(XmlEncoderOptions, WithoutRefusalNonXmlUnitsAreWrittenAsDocumented)
{
    std::unique_ptr<ServiceType> const node(Scalar<std::u16string>(std::u16string(u"a\u0007\0b\xFFFE\xD800", 6)));
    std::string const documented = Encoded(*node);
    EXPECT_EQ(documented,
        "<v>a\x07"
        "b\xEF\xBF\xBE\xEF\xBF\xBD</v>\n");
    for (auto const& options : {Options(true, false, false), Options(false, true, false), Options(true, true, false)}) {
        std::string text;
        XmlEncoder::Encode(text, node.get(), 0, options);
        EXPECT_EQ(text, documented);
    }
}

// Refusals: the exact line, the string overloads unchanged, and in a stream the
// text before the fault kept, the faulty unit never written.
TEST(XmlEncoderOptions, RefusalsNameTheUnitAndThePath)
{
    std::u16string const longName(50, u'n');
    auto* people = Dictionary(u"people", Sequence<std::u16string>({u"ann"}, u"keys"),
        CompositeValues({Composite(u"person", {Scalar<std::u16string>(std::u16string(u"x\0", 2), u"name")})}));
    auto* opts = Dictionary(u"opts", Sequence<std::u16string>({u"k"}, u"keys"),
        AnyValues({new AnyTypeServiceType(Scalar<std::int32_t>(7), u"1v")}));
    struct Case {
        ServiceType* node;
        std::u16string line;
    };
    std::u16string const source = u"Exception: Tarnwick::Encoding::XmlEncoder line ";
    Case const cases[] = {
        {Scalar<std::u16string>(u"a\u0007b", u"label"), u"701 - Character U+0007 not allowed in XML in request/label"},
        {Sequence<std::u16string>({u"ok", u"\xFFFF"}, u"tags"),
            u"701 - Character U+FFFF not allowed in XML in request/tags/item"},
        {Dictionary(u"stock", Sequence<std::u16string>({u"\xD800x"}, u"keys"), Sequence<std::int32_t>({1}, u"values")),
            u"701 - Character U+D800 not allowed in XML in request/stock/item/key"},
        {Dictionary(u"stock", Sequence<std::int32_t>({1}, u"keys"), Sequence<std::u16string>({u"\xDC00"}, u"values")),
            u"701 - Character U+DC00 not allowed in XML in request/stock/item/value"},
        {people, u"701 - Character U+0000 not allowed in XML in request/people/item/person/name"},
        {new XmlString(u"<a>\xFFFE</a>", u"frag"), u"701 - Character U+FFFE not allowed in XML in request/frag"},
        {new AnyTypeServiceType(Sequence<std::u16string>({u"\u001B"}), u"w"),
            u"701 - Character U+001B not allowed in XML in request/w/item"},
        {Scalar<std::int32_t>(1, u"1x"),
            u"703 - Element name not an XML name in request/1x: U+0031 cannot start a name"},
        {Scalar<std::int32_t>(1, u"a:b"),
            u"703 - Element name not an XML name in request/a:b: U+003A cannot stand in a name"},
        {Scalar<std::int32_t>(1, u""), u"703 - Element name not an XML name in request/: the name is empty"},
        {Scalar<std::int32_t>(1, std::u16string(u"a\0", 2)),
            u"703 - Element name not an XML name in request/a\xFFFD: U+0000 cannot stand in a name"},
        {Scalar<std::int32_t>(1, u"a\xD800"),
            u"703 - Element name not an XML name in request/a\xFFFD: U+D800 cannot stand in a name"},
        {Scalar<std::int32_t>(1, longName + u" "),
            u"703 - Element name not an XML name in request/" + std::u16string(40, u'n')
                + u"\u2026: U+0020 cannot stand in a name"},
        {opts, u"703 - Element name not an XML name in request/opts/item/1v: U+0031 cannot start a name"},
    };
    for (Case const& c : cases) {
        std::unique_ptr<ServiceType> const tree(Composite(u"request", {Scalar<bool>(true, u"on"), c.node}));
        std::string text = "kept";
        EXPECT_EQ(ThrownLine([&] { XmlEncoder::Encode(text, tree.get(), 0, XmlEncoderOptions::Standard()); }),
            source + c.line);
        EXPECT_EQ(text, "kept");
        ServiceMessage const header = Header(u"op");
        EXPECT_EQ(
            ThrownLine([&] { XmlEncoder::EncodeMessage(text, header, tree.get(), 0, Options(false, false, true)); }),
            source + c.line);
        EXPECT_EQ(text, "kept");
        std::ostringstream out;
        EXPECT_EQ(ThrownLine([&] { XmlEncoder::Encode(out, tree.get(), 0, XmlEncoderOptions::Standard()); }),
            source + c.line);
        EXPECT_EQ(out.str().rfind("<request>\n  <on>true</on>\n", 0), 0u) << out.str();
        for (char const bad : {'\x07', '\x1B', '\0'}) {
            EXPECT_EQ(out.str().find(bad), std::string::npos);
        }
    }
}

TEST(XmlEncoderOptions, HeaderRefusals)
{
    std::u16string const source = u"Exception: Tarnwick::Encoding::XmlEncoder line ";
    struct Case {
        ServiceMessage header;
        std::u16string line;
    };
    Case const cases[] = {
        {Header(u"a\u0001"), u"702 - Character U+0001 not allowed in XML in header attribute OperationName"},
        {Header(u"ok", 300), u"704 - MsgType 300 outside 0..255"},
        {Header(u"ok", -1), u"704 - MsgType -1 outside 0..255"},
    };
    for (Case const& c : cases) {
        std::string text = "kept";
        EXPECT_EQ(
            ThrownLine([&] { XmlEncoder::EncodeMessage(text, c.header, nullptr, 0, XmlEncoderOptions::Standard()); }),
            source + c.line);
        EXPECT_EQ(text, "kept");
    }
    // A type outside the range is refused before anything is written; 255 and 0 pass.
    std::ostringstream out;
    ServiceMessage const wide = Header(u"ok", 256);
    ThrownLine([&] { XmlEncoder::EncodeHeader(out, &wide, XmlEncoderOptions::Standard()); });
    EXPECT_EQ(out.str(), "");
    for (std::int32_t const type : {0, 255}) {
        std::ostringstream ok;
        ServiceMessage const header = Header(u"ok", type);
        XmlEncoder::EncodeHeader(ok, &header, XmlEncoderOptions::Standard());
        EXPECT_EQ(ok.str(), HeaderLines("ok", std::to_string(type)));
    }
}

TEST(XmlEncoderOptions, LongPathsShowTheirEnds)
{
    std::unique_ptr<ServiceType> tree(Scalar<std::u16string>(u"\u0002", u"leaf"));
    for (int level = 19; level >= 0; --level) {
        std::u16string name = u"c";
        name += static_cast<char16_t>(u'a' + level);
        tree.reset(Composite(name, {tree.release()}));
    }
    std::string text;
    EXPECT_EQ(ThrownLine([&] { XmlEncoder::Encode(text, tree.get(), 0, XmlEncoderOptions::Standard()); }),
        u"Exception: Tarnwick::Encoding::XmlEncoder line 701 - Character U+0002 not allowed in XML in "
        u"ca/cb/cc/cd/ce/cf/cg/ch/\u2026/cn/co/cp/cq/cr/cs/ct/leaf");
}

// The shortest text that reads back to the same bits, exactly what std::to_chars writes.
template <class Float> std::string ShortestOf(Float value)
{
    std::unique_ptr<ServiceType> node(Scalar<Float>(value));
    std::string text;
    XmlEncoder::Encode(text, node.get(), 0, Options(true, false, false));
    return text.substr(3, text.size() - 8);
}

template <class Float> void ExpectReadsBack(Float value)
{
    std::string const text = ShortestOf(value);
    char expected[64];
    *std::to_chars(expected, expected + sizeof expected - 1, value).ptr = '\0';
    ASSERT_EQ(text, expected);
    Float back {};
    std::from_chars(text.data(), text.data() + text.size(), back);
    if (std::isnan(value)) {
        EXPECT_TRUE(std::isnan(back)) << text;
        return;
    }
    using Bits = std::conditional_t<sizeof(Float) == 4, std::uint32_t, std::uint64_t>;
    EXPECT_EQ(std::bit_cast<Bits>(back), std::bit_cast<Bits>(value)) << text;
    // A peer reading every number as a double gets the same value, the float included.
    EXPECT_EQ(static_cast<Float>(std::strtod(text.c_str(), nullptr)), value) << text;
}

TEST(XmlEncoderOptions, RoundTripNumbers)
{
    struct Case {
        double value;
        char const* text;
    };
    Case const doubles[] = {{0.1, "0.1"}, {0.1 + 0.2, "0.30000000000000004"}, {1.0 / 3, "0.3333333333333333"},
        {1e300, "1e+300"}, {5e-324, "5e-324"}, {-0.0, "-0"}, {0.0, "0"}, {100, "100"}, {1e21, "1e+21"},
        {0.0001, "1e-04"}, {0.001, "0.001"}, {123456.789, "123456.789"}, {19.99, "19.99"}, {-2.5, "-2.5"},
        {std::numeric_limits<double>::infinity(), "inf"}, {-std::numeric_limits<double>::infinity(), "-inf"},
        {std::numeric_limits<double>::quiet_NaN(), "nan"}, {1e15, "1e+15"}, {123456789012345.0, "123456789012345"}};
    for (Case const& c : doubles) {
        EXPECT_EQ(ShortestOf(c.value), c.text);
        ExpectReadsBack(c.value);
    }
    EXPECT_EQ(ShortestOf(0.1f), "0.1");
    EXPECT_EQ(ShortestOf(1.0f / 3), "0.33333334");
    EXPECT_EQ(ShortestOf(std::numeric_limits<float>::max()), "3.4028235e+38");
    EXPECT_EQ(ShortestOf(16777216.0f), "16777216");
    // The stream's state does not touch them.
    std::unique_ptr<ServiceType> node(Scalar<double>(2.5));
    std::ostringstream out;
    out << std::uppercase << std::showpos << std::setprecision(2);
    XmlEncoder::Encode(out, node.get(), 0, Options(true, false, false));
    EXPECT_EQ(out.str(), "<v>2.5</v>\n");
    std::mt19937_64 random(7);
    for (int i = 0; i < 4000; ++i) {
        std::uint64_t const bits = random();
        ExpectReadsBack(std::bit_cast<double>(bits));
        ExpectReadsBack(std::bit_cast<float>(static_cast<std::uint32_t>(bits)));
        // Amounts and measures, the quick path.
        ExpectReadsBack(static_cast<double>(static_cast<std::int64_t>(bits % 20000001) - 10000000) / 100.0);
        ExpectReadsBack(static_cast<float>(static_cast<std::int32_t>(bits % 200001) - 100000) / 1000.0f);
        ExpectReadsBack(static_cast<double>(bits % 1000) * std::pow(10.0, static_cast<int>(bits % 40) - 20));
    }
}

// Depth without recursion. A negative indent keeps the text linear in the depth.
// (The tree is taken apart level by level, so that its destruction does not recurse either.)
TEST(XmlEncoderDepth, EightyThousandLevels)
{
    constexpr int kDepth = 80000;
    auto root = std::make_unique<CompositeType>(u"n");
    CompositeType* bottom = root.get();
    for (int i = 1; i < kDepth; ++i) {
        auto* child = new CompositeType(u"n");
        bottom->Add(child);
        bottom = child;
    }
    bottom->Add(Scalar<std::int32_t>(5));
    std::string expected;
    for (int i = 0; i < kDepth; ++i) {
        expected += "<n>\n";
    }
    expected += "<v>5</v>\n";
    for (int i = 0; i < kDepth; ++i) {
        expected += "</n>\n";
    }
    std::string text;
    XmlEncoder::Encode(text, root.get(), -2 * kDepth - 2);
    EXPECT_TRUE(text == expected);
    XmlEncoder::Encode(text, root.get(), -2 * kDepth - 2, XmlEncoderOptions::Standard());
    EXPECT_TRUE(text == expected);
    std::vector<std::unique_ptr<ServiceType>> levels;
    for (CompositeType* level = root.get(); level->Size() != 0;) {
        ServiceType*& slot = *level->BeginIterator();
        auto* next = dynamic_cast<CompositeType*>(slot);
        levels.emplace_back(slot);
        slot = nullptr;
        if (next == nullptr) {
            break;
        }
        level = next;
    }
}

// --- The property: random trees in the standard profile read back everywhere. ---

/// What a reader saw of one element: its depth, name, text (of an element without
/// child elements) and `type` attribute; attributes of the root as well.
struct Seen {
    int depth;
    std::string name;
    std::string text;
    std::string type;
    bool leaf;
};

/// What the tree says an element holds.
struct Expected {
    int depth;
    std::string name;
    std::string text;
    std::string type;
    /// 's' exact text, 'f' a float, 'd' a double, 'c' a container (text not compared),
    /// 'x' an XML fragment (its markup's elements skipped).
    char kind;
};

class StandardTrees : NodeSource<StandardTrees> {
public:
    using NodeSource::NodeSource;

    std::unique_ptr<ServiceType> Tree() { return std::unique_ptr<ServiceType>(Composite(Name(), Children(3))); }

    /// Text with every special unit XML carries, and with `nonXml`, a unit it cannot carry.
    std::u16string Text(bool nonXml = false)
    {
        static std::u16string const pieces[] = {u"plain", u"a&b", u"<tag>", u"\"q\" 'a'", u"\t", u"\r\n", u"\r", u"\n",
            u"\U0001F600", u"\u00e9", u"\u4e2d", u"  ", u"]]>", u"&amp;", u"\u0085\u2028", u"\uFFFD", u"\uE000"};
        static std::u16string const bad[] = {std::u16string(1, u'\0'), u"\u0001", u"\u0008", u"\u000B", u"\u000C",
            u"\u001F", u"\uFFFE", u"\uFFFF", u"\xD800", u"\xDBFF", u"\xDC00", u"\xDFFF"};
        std::u16string text = Join<std::u16string>(pieces);
        if (nonXml) {
            text.insert(static_cast<std::size_t>(Pick(static_cast<int>(text.size()) + 1)), bad[Pick(std::size(bad))]);
        }
        return text;
    }

    ServiceMessage Header()
    {
        ServiceMessage message;
        message.SetMsgType(Pick(256));
        message.SetMsgCorrelationId(static_cast<std::uint32_t>(m_Random()));
        message.SetSessionId(static_cast<std::uint32_t>(m_Random()));
        message.SetConsumerAddress(Text());
        message.SetProducerAddress(Text());
        message.SetOperationName(Text());
        message.SetParametersTypeName(Text());
        return message;
    }

private:
    friend NodeSource<StandardTrees>;

    static constexpr char16_t const* kMarkup[] = {u"", u"plain", u"<b>bold</b>", u"<e a='1' b=\"x&amp;y\"/>", u"a&lt;b",
        u"<![CDATA[<raw> & ]]>", u"<p>\n  <q/>\n</p>", u"\u00e9<\u4e2d>\U0001F600</\u4e2d>"};
    static constexpr NumberStyle kNumbers {0, false, false};

    template <class T> static std::span<T const> FloatSpecials()
    {
        using Limits = std::numeric_limits<T>;
        static T const specials[] = {T(0.1), T(19.99), T(1e20), T(1e-7), Limits::infinity(), -Limits::infinity(),
            Limits::quiet_NaN(), Limits::denorm_min(), Limits::max(), Limits::lowest(), T(0), -T(0), T(1) / T(3)};
        return specials;
    }

    std::u16string Name()
    {
        // Names that every reader takes: the older name rules of some parsers refuse
        // characters beyond the first 65,536 in names.
        static char16_t const* const names[] = {u"a", u"count", u"x-1", u"_id", u"caf\u00e9", u"\u4e2d\u6587", u"v.2",
            u"item", u"key", u"value", u"msg", u"B9"};
        return OneOf<char16_t const*>(names);
    }

    /// Two time stamps, one duration.
    std::vector<std::uint64_t> Times(bool durations)
    {
        std::vector<std::uint64_t> times {m_Random()};
        if (!durations) {
            times.push_back(m_Random());
        }
        return times;
    }

    std::vector<ServiceType*> Children(int depth)
    {
        return Repeat<ServiceType*>(Pick(5), [&] { return Node(depth); });
    }

    ServiceType* Node(int depth)
    {
        std::u16string const name = Name();
        switch (depth > 0 ? Pick(8) : 0) {
        case 1:
        case 2:
            return Composite(name, Children(depth - 1));
        case 3: {
            // An any-type wraps a scalar or a primitive sequence.
            ServiceType* value = nullptr;
            while (value == nullptr || value->GetType() == XML_STRING || value->GetType() == TIME_STAMP_SEQUENCE
                || value->GetType() == TIME_DURATION_SEQUENCE) {
                delete value;
                value = Leaf(Name());
            }
            return new AnyTypeServiceType(value, name);
        }
        case 4: {
            // Items share one shape, as the items of one value object do.
            std::unique_ptr<ServiceType> const shape(Composite(u"item", Children(depth - 1)));
            auto* sequence = new CompositeSequenceType(name, nullptr);
            for (int i = Pick(3); i > 0; --i) {
                sequence->Add(static_cast<CompositeType*>(shape->Copy()));
            }
            return sequence;
        }
        case 5: {
            int const count = Pick(3);
            auto* dictionary = new DictionaryType(name);
            dictionary->SetKeys(PrimitiveSequence(u"keys", count));
            if (Pick(2) == 0) {
                dictionary->SetValues(PrimitiveSequence(u"values", count));
            } else {
                std::unique_ptr<ServiceType> const shape(Composite(Name(), Children(depth - 1)));
                auto* values = new CompositeSequenceType(u"values", nullptr);
                for (int i = 0; i < count; ++i) {
                    values->Add(static_cast<CompositeType*>(shape->Copy()));
                }
                dictionary->SetValues(values);
            }
            return dictionary;
        }
        default:
            return Leaf(name);
        }
    }
};

std::string Utf8Of(std::u16string const& text)
{
    std::string bytes;
    for (char16_t const* it = text.data(); it != text.data() + text.size();) {
        char32_t cp = *it++;
        if (cp >= 0xD800 && cp <= 0xDBFF && it != text.data() + text.size()) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (*it++ - 0xDC00);
        }
        if (cp < 0x80) {
            bytes += static_cast<char>(cp);
        } else if (cp < 0x800) {
            bytes += {static_cast<char>(0xC0 | (cp >> 6)), static_cast<char>(0x80 | (cp & 0x3F))};
        } else if (cp < 0x10000) {
            bytes += {static_cast<char>(0xE0 | (cp >> 12)), static_cast<char>(0x80 | ((cp >> 6) & 0x3F)),
                static_cast<char>(0x80 | (cp & 0x3F))};
        } else {
            bytes += {static_cast<char>(0xF0 | (cp >> 18)), static_cast<char>(0x80 | ((cp >> 12) & 0x3F)),
                static_cast<char>(0x80 | ((cp >> 6) & 0x3F)), static_cast<char>(0x80 | (cp & 0x3F))};
        }
    }
    return bytes;
}

template <class T> Expected LeafExpected(int depth, std::string const& name, T const& value)
{
    if constexpr (std::is_same_v<T, std::u16string>) {
        return {depth, name, Utf8Of(value), "", 's'};
    } else if constexpr (std::is_same_v<T, bool>) {
        return {depth, name, value ? "true" : "false", "", 's'};
    } else if constexpr (std::is_floating_point_v<T>) {
        char text[64];
        *std::to_chars(text, text + sizeof text - 1, value).ptr = '\0';
        return {depth, name, text, "", sizeof(T) == 4 ? 'f' : 'd'};
    } else {
        return {depth, name, std::to_string(+value), "", 's'};
    }
}

/// The elements of `node` in document order, as a reader must see them.
void Flatten(ServiceType const* node, int depth, std::vector<Expected>& out, std::string const& type = "")
{
    std::string const name = Utf8Of(node->GetParamNameRef());
    ParamType const kind = node->GetType();
    auto items = [&](auto const& values) {
        for (auto const& value : values) {
            out.push_back(LeafExpected(depth + 1, "item", value));
        }
    };
    if (kind == ANY_TYPE) {
        ServiceType const* value = static_cast<AnyTypeServiceType const*>(node)->GetValue();
        std::size_t const at = out.size();
        Flatten(value, depth, out, XmlEncoder::GetStrType(value->GetType()));
        out[at].name = name;
        return;
    }
    std::size_t const at = out.size();
    switch (kind) {
    case COMPOSITE:
        out.push_back({depth, name, "", type, 'c'});
        for (auto const* child : *static_cast<CompositeType const*>(node)) {
            Flatten(child, depth + 1, out);
        }
        return;
    case COMPOSITE_SEQUENCE: {
        out.push_back({depth, name, "", type, 'c'});
        auto const* sequence = static_cast<CompositeSequenceType const*>(node);
        for (auto it = sequence->BeginIterator(); it != sequence->EndIterator(); ++it) {
            Flatten(*it, depth + 1, out);
        }
        return;
    }
    case DICTIONARY: {
        out.push_back({depth, name, "", type, 'c'});
        auto const* dictionary = static_cast<DictionaryType const*>(node);
        std::vector<Expected> keys;
        Flatten(dictionary->GetKeys(), 0, keys);
        std::vector<Expected> values;
        bool const composite = dictionary->GetValues()->GetType() == COMPOSITE_SEQUENCE;
        auto const* composites = dynamic_cast<CompositeSequenceType const*>(dictionary->GetValues());
        if (!composite) {
            Flatten(dictionary->GetValues(), 0, values);
        }
        for (std::size_t i = 1; i < keys.size(); ++i) {
            out.push_back({depth + 1, "item", "", "", 'c'});
            keys[i].depth = depth + 2;
            keys[i].name = "key";
            out.push_back(keys[i]);
            if (composite) {
                Flatten(composites->BeginIterator()[static_cast<std::ptrdiff_t>(i - 1)], depth + 2, out);
            } else {
                values[i].depth = depth + 2;
                values[i].name = "value";
                out.push_back(values[i]);
            }
        }
        return;
    }
    case XML_STRING:
        out.push_back({depth, name, "", type, 'x'});
        return;
    case TIME_STAMP:
        out.push_back(LeafExpected(depth, name, static_cast<TimeStampServiceType const*>(node)->GetValueRef()));
        break;
    case TIME_DURATION:
        out.push_back(LeafExpected(depth, name, static_cast<TimeDurationServiceType const*>(node)->GetValueRef()));
        break;
    case TIME_STAMP_SEQUENCE:
        out.push_back({depth, name, "", type, 'c'});
        items(static_cast<TimeStampSequenceType const*>(node)->GetValue());
        break;
    case TIME_DURATION_SEQUENCE:
        out.push_back({depth, name, "", type, 'c'});
        items(static_cast<TimeDurationSequenceType const*>(node)->GetValue());
        break;
    default:
        for (int index = 0; index < 12; ++index) {
            VisitPrimitive(index, [&]<class T>() {
                if (kind == ScalarCodeOf<T>) {
                    out.push_back(LeafExpected(depth, name, static_cast<ScalarType<T> const*>(node)->GetValueRef()));
                } else if (kind == SequenceCodeOf<T>) {
                    out.push_back({depth, name, "", type, 'c'});
                    items(static_cast<SequenceType<T> const*>(node)->GetValue());
                }
            });
        }
        break;
    }
    out[at].type = type;
}

/// The elements of a document as libxml2 reads them, root attributes first.
std::vector<Seen> ReadWithLibxml2(std::string const& text, std::vector<std::pair<std::string, std::string>>& attributes)
{
    std::vector<Seen> seen;
    XmlReadBack::Document const document = XmlReadBack::Parse(text);
    if (document == nullptr) {
        ADD_FAILURE() << "libxml2 refused:\n" << text;
        return seen;
    }
    xmlNode const* const root = xmlDocGetRootElement(document.get());
    for (xmlAttr const* attribute = root->properties; attribute != nullptr; attribute = attribute->next) {
        xmlChar* const value = xmlNodeGetContent(reinterpret_cast<xmlNode const*>(attribute));
        attributes.emplace_back(reinterpret_cast<char const*>(attribute->name), reinterpret_cast<char const*>(value));
        xmlFree(value);
    }
    std::vector<std::pair<xmlNode const*, int>> stack {{root, 0}};
    while (!stack.empty()) {
        auto const [element, depth] = stack.back();
        stack.pop_back();
        auto const children = XmlReadBack::Elements(element);
        seen.push_back({depth, XmlReadBack::Name(element), children.empty() ? XmlReadBack::Text(element) : "",
            XmlReadBack::Attribute(element, "type").value_or(""), children.empty()});
        for (auto it = children.rbegin(); it != children.rend(); ++it) {
            stack.push_back({*it, depth + 1});
        }
    }
    return seen;
}

/// Python's ElementTree on every file: per file a line "D", then "A name value" per
/// root attribute and "E depth leaf name text type" per element, texts in hex.
constexpr char const* kReader = R"(
import sys, xml.etree.ElementTree as ET
def h(s): return '-' + (s or '').encode('utf-8').hex()
for path in sys.argv[1:]:
    print('D')
    root = ET.parse(path).getroot()
    for name, value in root.attrib.items():
        print('A', h(name), h(value))
    def walk(e, depth):
        leaf = len(e) == 0
        print('E', depth, int(leaf), h(e.tag), h(e.text if leaf else ''), h(e.get('type')))
        for child in e:
            walk(child, depth + 1)
    walk(root, 0)
)";

std::string FromHex(std::string const& field)
{
    std::string bytes;
    for (std::size_t i = 1; i + 1 < field.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(field.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

struct PythonDocument {
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<Seen> seen;
};

std::vector<PythonDocument> ReadWithPython(std::vector<std::string> const& texts)
{
    std::filesystem::path const folder
        = std::filesystem::temp_directory_path() / ("tarnwick-standard-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::string command = "/usr/bin/python3 " + (folder / "reader.py").string();
    std::ofstream(folder / "reader.py") << kReader;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::filesystem::path const file = folder / (std::to_string(i) + ".xml");
        std::ofstream(file, std::ios::binary) << texts[i];
        command += " " + file.string();
    }
    std::vector<PythonDocument> documents;
    FILE* const pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    for (std::size_t got; pipe != nullptr && (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        output.append(buffer, got);
    }
    int const status = pipe != nullptr ? ::pclose(pipe) : -1;
    std::filesystem::remove_all(folder);
    EXPECT_EQ(status, 0) << output;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream fields(line);
        std::string tag;
        fields >> tag;
        if (tag == "D") {
            documents.emplace_back();
        } else if (tag == "A") {
            std::string name;
            std::string value;
            fields >> name >> value;
            documents.back().attributes.emplace_back(FromHex(name), FromHex(value));
        } else {
            Seen seen {};
            int leaf = 0;
            std::string name;
            std::string text;
            std::string type;
            fields >> seen.depth >> leaf >> name >> text >> type;
            documents.back().seen.push_back({seen.depth, FromHex(name), FromHex(text), FromHex(type), leaf != 0});
        }
    }
    return documents;
}

/// Compares what a reader saw below the `msg` element with what the tree holds.
void Compare(std::vector<Expected> const& expected, std::vector<Seen> const& seen, char const* reader)
{
    std::size_t at = 1; // past msg
    for (Expected const& e : expected) {
        ASSERT_LT(at, seen.size()) << reader;
        Seen const& s = seen[at++];
        ASSERT_EQ(s.depth, e.depth + 1) << reader << " " << e.name;
        EXPECT_EQ(s.name, e.name) << reader;
        EXPECT_EQ(s.type, e.type) << reader << " " << e.name;
        switch (e.kind) {
        case 's':
            EXPECT_EQ(s.text, e.text) << reader << " " << e.name;
            break;
        case 'f':
        case 'd': {
            double const back = std::strtod(s.text.c_str(), nullptr);
            double const value = std::strtod(e.text.c_str(), nullptr);
            if (std::isnan(value)) {
                EXPECT_TRUE(std::isnan(back)) << reader << " " << s.text;
            } else if (e.kind == 'd') {
                EXPECT_EQ(std::bit_cast<std::uint64_t>(back), std::bit_cast<std::uint64_t>(value)) << s.text;
            } else {
                EXPECT_EQ(std::bit_cast<std::uint32_t>(std::strtof(s.text.c_str(), nullptr)),
                    std::bit_cast<std::uint32_t>(static_cast<float>(value)))
                    << s.text;
                EXPECT_EQ(static_cast<float>(back), static_cast<float>(value)) << s.text;
            }
            break;
        }
        case 'x':
            // The fragment's own markup: its elements are no nodes of the tree.
            while (at < seen.size() && seen[at].depth > e.depth + 1) {
                ++at;
            }
            break;
        default:
            EXPECT_FALSE(
                e.kind == 'c' && s.leaf && !s.text.empty() && s.text.find_first_not_of(" \n") != std::string::npos)
                << reader << " " << e.name;
            break;
        }
    }
    EXPECT_EQ(at, seen.size()) << reader;
}

std::vector<std::pair<std::string, std::string>> HeaderAttributes(ServiceMessage const& header)
{
    return {{"MsgType", std::to_string(header.GetMsgType())},
        {"MsgCorrelationId", std::to_string(header.GetMsgCorrelationId())},
        {"MsgOrderId", std::to_string(header.GetMsgOrderId())}, {"SessionId", std::to_string(header.GetSessionId())},
        {"ConsumerAddress", Utf8Of(header.GetConsumerAddress())},
        {"ProducerAddress", Utf8Of(header.GetProducerAddress())}, {"OperationName", Utf8Of(header.GetOperationName())},
        {"ParametersTypeName", Utf8Of(header.GetParametersTypeName())}};
}

TEST(XmlEncoderStandard, RandomTreesReadBackByLibxml2PythonAndTheDecoder)
{
    constexpr unsigned kSeeds = 120;
    std::vector<std::string> texts;
    std::vector<std::vector<Expected>> expected;
    std::vector<ServiceMessage> headers;
    for (unsigned seed = 0; seed < kSeeds; ++seed) {
        StandardTrees trees(seed);
        std::unique_ptr<ServiceType> const tree = trees.Tree();
        ServiceMessage const header = trees.Header();
        std::string text;
        XmlEncoder::EncodeMessage(text, header, tree.get(), 2, XmlEncoderOptions::Standard());
        expected.emplace_back();
        Flatten(tree.get(), 0, expected.back());
        headers.push_back(header);

        std::vector<std::pair<std::string, std::string>> attributes;
        std::vector<Seen> const seen = ReadWithLibxml2(text, attributes);
        EXPECT_EQ(attributes, HeaderAttributes(header)) << seed;
        Compare(expected.back(), seen, "libxml2");

        // The library's decoder gives the same header and tree: encoded again, the same bytes.
        XmlDecoder const decoder(text);
        ServiceMessage back;
        decoder.DecodeHeader(back);
        std::unique_ptr<ServiceType> const tree2 = decoder.DecodeTree(*tree);
        std::string again;
        XmlEncoder::EncodeMessage(again, back, tree2.get(), 2, XmlEncoderOptions::Standard());
        EXPECT_EQ(again, text) << seed;
        texts.push_back(std::move(text));
    }
    std::vector<PythonDocument> const documents = ReadWithPython(texts);
    ASSERT_EQ(documents.size(), texts.size());
    for (std::size_t i = 0; i < documents.size(); ++i) {
        EXPECT_EQ(documents[i].attributes, HeaderAttributes(headers[i])) << i;
        Compare(expected[i], documents[i].seen, "ElementTree");
    }
}

// Every unit XML cannot carry, wherever a string stands, is refused; without it the same tree encodes.
TEST(XmlEncoderStandard, RandomTreesWithANonXmlUnitAreRefused)
{
    for (unsigned seed = 0; seed < 200; ++seed) {
        StandardTrees trees(1000 + seed);
        std::u16string const bad = trees.Text(true);
        std::unique_ptr<ServiceType> const tree(Composite(u"r",
            {trees.Tree().release(),
                seed % 2 == 0 ? static_cast<ServiceType*>(Scalar<std::u16string>(bad, u"s"))
                              : Sequence<std::u16string>({u"ok", bad}, u"s")}));
        std::string text = "kept";
        std::u16string const line
            = ThrownLine([&] { XmlEncoder::Encode(text, tree.get(), 0, XmlEncoderOptions::Standard()); });
        EXPECT_EQ(line.rfind(u"Exception: Tarnwick::Encoding::XmlEncoder line 701 - Character U+", 0), 0u);
        EXPECT_NE(line.find(seed % 2 == 0 ? u" not allowed in XML in r/s" : u" not allowed in XML in r/s/item"),
            std::u16string::npos);
        EXPECT_EQ(text, "kept");
        ServiceMessage header = trees.Header();
        header.SetProducerAddress(bad);
        EXPECT_NE(ThrownLine([&] {
            XmlEncoder::EncodeMessage(text, header, nullptr, 0, XmlEncoderOptions::Standard());
        }).find(u"line 702 - Character U+"),
            std::u16string::npos);
        EXPECT_EQ(text, "kept");
    }
}

} // namespace
