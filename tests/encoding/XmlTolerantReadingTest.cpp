// Tolerant reading: what each option lets through, that the defaults still refuse
// it, and what the tolerant decoder still refuses.

#include "EncodingTestSupport.h"

#include <tarnwick/core/Conversion.h>
#include <tarnwick/encoding/ServiceMessage.h>
#include <tarnwick/encoding/XmlDecoder.h>

#include <cmath>
#include <limits>

namespace {

using namespace EncodingTest;
using Tarnwick::ServiceMessage;
using Tarnwick::Encoding::XmlDecoder;
using Tarnwick::Encoding::XmlDecoderLimits;

enum Option { kIgnore = 1, kKeep = 2, kForms = 4 };

XmlDecoderLimits With(int options)
{
    XmlDecoderLimits limits;
    limits.IgnoreUnknownElements = (options & kIgnore) != 0;
    limits.KeepMissingElements = (options & kKeep) != 0;
    limits.AcceptSchemaForms = (options & kForms) != 0;
    return limits;
}

/// The encoder's text without its line ends and indentation.
std::string Flat(ServiceType const& tree)
{
    std::string flat;
    for (char const c : Encoded(tree, 0)) {
        if (c != '\n' && !(c == ' ' && (flat.empty() || flat.back() == '>'))) {
            flat += c;
        }
    }
    return flat;
}

/// The prototype of the table: its values are what a missing element takes.
std::unique_ptr<ServiceType> Prototype()
{
    return std::unique_ptr<ServiceType>(Composite(u"r",
        {Scalar<std::int32_t>(7, u"n"), Scalar<std::u16string>(u"def", u"s"),
            Composite(u"c", {Scalar<bool>(true, u"x")}), Sequence<std::int16_t>({1, 2}, u"q"),
            Dictionary(u"m", Sequence<std::u16string>({}, u"keys"), Sequence<std::uint8_t>({}, u"values"))}));
}

constexpr char const* kParts[] = {"<n>5</n>", "<s>t</s>", "<c><x>false</x></c>", "<q><item>3</item></q>",
    "<m><item><key>k</key><value>9</value></item></m>"};
constexpr char const* kDecoded = "<r><n>5</n><s>t</s><c><x>false</x></c><q><item>3</item></q>"
                                 "<m><item><key>k</key><value>9</value></item></m></r>";

/// The text of the table's tree with part `index` replaced by `part`.
std::string Replaced(std::size_t index, std::string const& part)
{
    std::string text = "<r>";
    for (std::size_t i = 0; i < std::size(kParts); ++i) {
        text += i == index ? part : kParts[i];
    }
    return text + "</r>";
}

struct TolerantCase {
    char const* what;
    std::string text;
    int options;
    /// The decoded tree, flat; the default limits refuse the text with `line`.
    std::string decoded;
    std::int32_t line;
};

std::string Decoded(std::size_t index, std::string const& part)
{
    std::string text = kDecoded;
    return text.replace(text.find(kParts[index]), std::string(kParts[index]).size(), part);
}

TEST(XmlTolerantReading, EachOptionReadsWhatTheDefaultsRefuse)
{
    TolerantCase const cases[] = {
        {"an unknown child", Replaced(0, "<n>5</n><added>1<deep/></added>"), kIgnore, kDecoded, 135},
        {"a second child of a name", Replaced(0, "<n>5</n><n>6</n>"), kIgnore, kDecoded, 135},
        {"an unknown child in a nested composite", Replaced(2, "<c><x>false</x><y/></c>"), kIgnore, kDecoded, 135},
        {"an element among sequence items", Replaced(3, "<q><note/><item>3</item></q>"), kIgnore, kDecoded, 135},
        {"an element among dictionary items", Replaced(4, "<m><x/><item><key>k</key><value>9</value></item></m>"),
            kIgnore, kDecoded, 135},
        {"an element after an item's value", Replaced(4, "<m><item><key>k</key><value>9</value><w/></item></m>"),
            kIgnore, kDecoded, 135},
        {"an element inside a value", Replaced(0, "<n>5<unit>m</unit></n>"), kIgnore, kDecoded, 135},
        {"an unknown attribute", Replaced(0, "<n unit='m'>5</n>"), kIgnore, kDecoded, 140},
        {"a default namespace declaration", "<r xmlns='urn:v2'>" + Replaced(9, "").substr(3), kIgnore, kDecoded, 140},
        {"a prefixed extension", Replaced(1, "<s xmlns:e='urn:e' e:note='1'>t</s><e:more xmlns:e='urn:e'/>"), kIgnore,
            kDecoded, 135},
        {"a missing scalar", Replaced(0, ""), kKeep, Decoded(0, "<n>7</n>"), 136},
        {"a missing string", Replaced(1, ""), kKeep, Decoded(1, "<s>def</s>"), 136},
        {"a missing composite", Replaced(2, ""), kKeep, Decoded(2, "<c><x>true</x></c>"), 136},
        {"a missing sequence", Replaced(3, ""), kKeep, Decoded(3, "<q><item>1</item><item>2</item></q>"), 136},
        {"a missing nested child", Replaced(2, "<c></c>"), kKeep, Decoded(2, "<c><x>true</x></c>"), 136},
        {"whitespace around an integer", Replaced(0, "<n> \t5\n</n>"), kForms, kDecoded, 134},
        {"a leading plus", Replaced(0, "<n>+5</n>"), kForms, kDecoded, 134},
        {"leading zeros after a sign", Replaced(0, "<n>+005</n>"), kForms, kDecoded, 134},
        {"minus zero for an unsigned kind", Replaced(4, "<m><item><key>k</key><value>-0</value></item></m>"), kForms,
            Decoded(4, "<m><item><key>k</key><value>0</value></item></m>"), 134},
        {"a boolean as 0", Replaced(2, "<c><x>0</x></c>"), kForms, kDecoded, 134},
        {"a boolean as 1", Replaced(2, "<c><x> 1 </x></c>"), kForms, Decoded(2, "<c><x>true</x></c>"), 134},
        {"whitespace around a boolean", Replaced(2, "<c><x>\nfalse </x></c>"), kForms, kDecoded, 134},
        {"whitespace around an item", Replaced(3, "<q><item> +3 </item></q>"), kForms, kDecoded, 134},
        {"a referenced space", Replaced(0, "<n>&#32;5</n>"), kForms, kDecoded, 134},
        {"everything at once", "<r xmlns='urn:v2'><n> +5 </n><new/><c><x>0</x></c><q/></r>", kIgnore | kKeep | kForms,
            "<r><n>5</n><s>def</s><c><x>false</x></c><q></q><m></m></r>", 140},
    };
    std::unique_ptr<ServiceType> const prototype = Prototype();
    ASSERT_EQ(Flat(*XmlDecoder(Replaced(9, "")).DecodeTree(*prototype)), kDecoded);
    for (TolerantCase const& c : cases) {
        std::unique_ptr<ServiceType> decoded;
        try {
            decoded = XmlDecoder(c.text, With(c.options)).DecodeTree(*prototype);
        } catch (Tarnwick::ServiceException const& e) {
            ADD_FAILURE() << c.what << ": " << e.what();
            continue;
        }
        EXPECT_EQ(Flat(*decoded), c.decoded) << c.what;
        std::u16string const refusal = ThrownLine([&] { XmlDecoder(c.text).DecodeTree(*prototype); });
        EXPECT_NE(
            refusal.find(u" line " + Tarnwick::Utils::Conversion::StringToWstring(std::to_string(c.line)) + u" - "),
            std::u16string::npos)
            << c.what << ": " << Tarnwick::Utils::Conversion::Utf16ToUtf8(refusal);
        // Each option does its own part only: the other two do not read the text.
        if (c.options != (kIgnore | kKeep | kForms)) {
            EXPECT_FALSE(ThrownLine([&] { XmlDecoder(c.text, With(7 & ~c.options)).DecodeTree(*prototype); }).empty())
                << c.what;
        }
    }
}

TEST(XmlTolerantReading, SchemaFormsOfFloatsAndTheirValues)
{
    using Limits = std::numeric_limits<double>;
    struct Case {
        char const* text;
        double value;
        /// Whether the encoder's own forms, which the defaults read, do not include it.
        bool schemaOnly;
    };
    Case const cases[] = {{"INF", Limits::infinity(), false}, {"-INF", -Limits::infinity(), false},
        {" +INF", Limits::infinity(), true}, {"+1.5", 1.5, true}, {"1E3", 1000, false}, {".5", 0.5, false},
        {"5.", 5, false}, {"+.5e+1", 5, true}, {"1e400", Limits::infinity(), true},
        {"-1e400", -Limits::infinity(), true}, {"1e-400", 0, false}, {"-0.000001e-999999999999999999999", -0.0, true},
        {"123456789e99999999999", Limits::infinity(), true}, {"\t2.5\n", 2.5, true},
        {"+1.79769313486232e+308", Limits::max(), true}};
    for (Case const& c : cases) {
        std::string const text = std::string("<d>") + c.text + "</d>";
        ScalarType<double> const prototype(0, u"d");
        bool const refusedByDefault = [&] {
            try {
                XmlDecoder(text).DecodeTree(prototype);
                return false;
            } catch (Tarnwick::ServiceException const&) {
                return true;
            }
        }();
        EXPECT_EQ(refusedByDefault, c.schemaOnly) << c.text;
        auto const decoded = XmlDecoder(text, With(kForms)).DecodeTree(prototype);
        double const value = static_cast<ScalarType<double> const&>(*decoded).GetValue();
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << c.text;
    }
    auto const nan = XmlDecoder("<f>NaN</f>", With(kForms)).DecodeTree(ScalarType<float>(0, u"f"));
    EXPECT_TRUE(std::isnan(static_cast<ScalarType<float> const&>(*nan).GetValue()));
    // Beyond the range of a float, within a double's.
    auto const big = XmlDecoder("<f>-1e39</f>", With(kForms)).DecodeTree(ScalarType<float>(0, u"f"));
    EXPECT_EQ(static_cast<ScalarType<float> const&>(*big).GetValue(), -std::numeric_limits<float>::infinity());
}

TEST(XmlTolerantReading, StillRefusesWhatNoFormAllows)
{
    struct Case {
        char const* text;
        ServiceType* prototype;
    };
    Case const cases[] = {{"<v>abc</v>", Scalar<std::int32_t>(0)}, {"<v>++5</v>", Scalar<std::int32_t>(0)},
        {"<v>+-5</v>", Scalar<std::int32_t>(0)}, {"<v>-1</v>", Scalar<std::uint8_t>(0)},
        {"<v>256</v>", Scalar<std::uint8_t>(0)}, {"<v> - 0</v>", Scalar<std::uint8_t>(0)},
        {"<v>1 2</v>", Scalar<std::int64_t>(0)}, {"<v> </v>", Scalar<std::int16_t>(0)},
        {"<v>0x10</v>", Scalar<std::uint32_t>(0)}, {"<v>+</v>", Scalar<std::uint64_t>(0)},
        {"<v>18446744073709551616</v>", Scalar<std::uint64_t>(0)}, {"<v>-129</v>", Scalar<std::int8_t>(0)},
        {"<v>-9223372036854775809</v>", Scalar<std::int64_t>(0)}, {"<v>2</v>", Scalar<bool>(false)},
        {"<v>TRUE</v>", Scalar<bool>(false)}, {"<v>1e</v>", Scalar<double>(0)}, {"<v>+-1</v>", Scalar<double>(0)},
        {"<v>++1</v>", Scalar<float>(0)}, {"<v>1,5</v>", Scalar<double>(0)}, {"<v>0x1p3</v>", Scalar<double>(0)},
        {"<v type='int32'> x </v>", new AnyTypeServiceType(nullptr, u"v")}};
    for (Case const& c : cases) {
        std::unique_ptr<ServiceType> const prototype(c.prototype);
        EXPECT_NE(ThrownLine([&] { XmlDecoder(c.text, With(7)).DecodeTree(*prototype); }).find(u"line 134 - Invalid"),
            std::u16string::npos)
            << c.text;
    }
}

std::string Message(std::string const& attributes, std::string const& body)
{
    return "<msg MsgType=\"3\" MsgCorrelationId=\"17\" MsgOrderId=\"1\" SessionId=\"42\" ConsumerAddress=\"c\" "
           "ProducerAddress=\"p\" OperationName=\"o\" ParametersTypeName=\"t\""
        + attributes + ">" + body + "</msg>";
}

TEST(XmlTolerantReading, TheHeaderSkipsUnknownAttributesAndReadsSchemaForms)
{
    std::string const extended = Message(" xmlns=\"urn:v2\" Priority=\"high\"", "<v>1</v>");
    EXPECT_NE(ThrownLine([&] {
        ServiceMessage m;
        XmlDecoder(extended).DecodeHeader(m);
    }).find(u"line 140"),
        std::u16string::npos);
    ServiceMessage message;
    XmlDecoder(extended, With(kIgnore)).DecodeHeader(message);
    EXPECT_EQ(message.GetMsgType(), 3);
    EXPECT_EQ(message.GetOperationName(), u"o");

    std::string forms = Message("", "");
    forms.replace(forms.find("\"3\""), 3, "\" +003 \"").replace(forms.find("\"42\""), 4, "\"\t42\"");
    EXPECT_NE(ThrownLine([&] {
        ServiceMessage m;
        XmlDecoder(forms).DecodeHeader(m);
    }).find(u"line 132"),
        std::u16string::npos);
    XmlDecoder(forms, With(kForms)).DecodeHeader(message);
    EXPECT_EQ(message.GetMsgType(), 3);
    EXPECT_EQ(message.GetSessionId(), 42u);
    // Forms still have their range.
    std::string big = Message("", "");
    big.replace(big.find("\"3\""), 3, "\"+256\"");
    EXPECT_NE(ThrownLine([&] {
        ServiceMessage m;
        XmlDecoder(big, With(7)).DecodeHeader(m);
    }).find(u"line 132"),
        std::u16string::npos);
}

/// Two versions of one message: the second adds an element. Each side reads the other's text.
TEST(XmlTolerantReading, TwoVersionsOfAShapeReadEachOther)
{
    std::unique_ptr<ServiceType> const version1(Composite(u"order", {Scalar<std::int32_t>(0, u"amount")}));
    std::unique_ptr<ServiceType> const version2(
        Composite(u"order", {Scalar<std::int32_t>(0, u"amount"), Scalar<std::u16string>(u"EUR", u"currency")}));
    std::unique_ptr<ServiceType> const sent2(
        Composite(u"order", {Scalar<std::int32_t>(12, u"amount"), Scalar<std::u16string>(u"CHF", u"currency")}));
    std::unique_ptr<ServiceType> const sent1(Composite(u"order", {Scalar<std::int32_t>(12, u"amount")}));

    XmlDecoderLimits receiver1;
    receiver1.IgnoreUnknownElements = true;
    EXPECT_EQ(
        Flat(*XmlDecoder(Encoded(*sent2), receiver1).DecodeTree(*version1)), "<order><amount>12</amount></order>");
    XmlDecoderLimits receiver2;
    receiver2.KeepMissingElements = true;
    EXPECT_EQ(Flat(*XmlDecoder(Encoded(*sent1), receiver2).DecodeTree(*version2)),
        "<order><amount>12</amount><currency>EUR</currency></order>");
    // Without the options, each refuses the other's text.
    EXPECT_FALSE(ThrownLine([&] { XmlDecoder(Encoded(*sent2)).DecodeTree(*version1); }).empty());
    EXPECT_FALSE(ThrownLine([&] { XmlDecoder(Encoded(*sent1)).DecodeTree(*version2); }).empty());
}

} // namespace
