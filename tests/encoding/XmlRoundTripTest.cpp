// Encoded messages read back by a conforming XML parser: well-formed, and every
// value equal to what was encoded.

#include "EncodingTestSupport.h"
#include "XmlReadBack.h"

#include <tarnwick/datatypes/TimeDurationSequenceType.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/encoding/ServiceMessage.h>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <tuple>

namespace {

using namespace EncodingTest;
using Tarnwick::Encoding::XmlEncoder;

using XmlReadBack::Attribute;
using XmlReadBack::Document;
using XmlReadBack::Elements;
using XmlReadBack::Name;
using XmlReadBack::Parse;
using XmlReadBack::Text;
using XmlReadBack::Utf8;

/// Compares the text of a leaf element with the value it was encoded from.
template <class T> void ExpectValue(std::string const& text, T const& value)
{
    if constexpr (std::is_same_v<T, std::u16string>) {
        EXPECT_EQ(text, Utf8(value));
    } else if constexpr (std::is_same_v<T, bool>) {
        EXPECT_EQ(text, value ? "true" : "false");
    } else if constexpr (std::is_same_v<T, double>) {
        char expected[40];
        std::snprintf(expected, sizeof expected, "%.15g", value);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), std::strtod(expected, nullptr));
    } else if constexpr (std::is_same_v<T, float>) {
        EXPECT_NEAR(std::strtod(text.c_str(), nullptr), value, std::fabs(value) * 1e-5);
    } else if constexpr (std::is_signed_v<T>) {
        EXPECT_EQ(std::strtoll(text.c_str(), nullptr, 10), value);
    } else {
        EXPECT_EQ(std::strtoull(text.c_str(), nullptr, 10), value);
    }
}

void Check(ServiceType const* node, xmlNode const* element);

/// Calls `check.template operator()<T>()` for each of the twelve element types
/// until one answers true.
template <class Body> bool ForSomeElementType(Body const& check)
{
    using Primitives = std::tuple<std::u16string, bool, std::int8_t, std::uint8_t, std::int16_t, std::uint16_t,
        std::int32_t, std::uint32_t, std::int64_t, std::uint64_t, float, double>;
    return std::apply(
        [&](auto... none) { return (check.template operator()<decltype(none)>() || ...); }, Primitives {});
}

template <class T> void CheckSequence(SequenceType<T> const& sequence, xmlNode const* element)
{
    auto const& values = sequence.GetValue();
    auto const items = Elements(element);
    ASSERT_EQ(items.size(), values.size());
    for (std::size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(Name(items[i]), "item");
        ExpectValue(Text(items[i]), static_cast<T>(values[i]));
    }
}

/// The text of a key or value element of a dictionary, given the sequence node it came from.
void CheckElementText(ServiceType const* sequence, std::size_t index, xmlNode const* element)
{
    EXPECT_TRUE(ForSomeElementType([&]<class T>() {
        auto const* values = dynamic_cast<SequenceType<T> const*>(sequence);
        if (values != nullptr) {
            ExpectValue(Text(element), static_cast<T>(values->GetValue()[index]));
        }
        return values != nullptr;
    })) << "kind not used in these tests";
}

void CheckDictionary(DictionaryType const* dictionary, xmlNode const* element)
{
    auto const items = Elements(element);
    ASSERT_EQ(items.size(), dictionary->Size());
    ServiceType const* values = dictionary->GetValues();
    for (std::size_t i = 0; i < items.size(); ++i) {
        auto const parts = Elements(items[i]);
        ASSERT_EQ(parts.size(), 2u);
        EXPECT_EQ(Name(parts[0]), "key");
        CheckElementText(dictionary->GetKeys(), i, parts[0]);
        if (values->GetType() == ANY_TYPE_SEQUENCE) {
            Check(*(static_cast<AnyTypeSequenceType const*>(values)->BeginIterator() + i), parts[1]);
        } else if (values->GetType() == COMPOSITE_SEQUENCE) {
            Check(*(static_cast<CompositeSequenceType const*>(values)->BeginIterator() + i), parts[1]);
        } else {
            EXPECT_EQ(Name(parts[1]), "value");
            CheckElementText(values, i, parts[1]);
        }
    }
}

/// The child elements of a composite or a composite sequence, one for each child node.
template <class Container> void CheckChildren(Container const* container, xmlNode const* element)
{
    auto const children = Elements(element);
    ASSERT_EQ(children.size(), container->Size());
    auto child = container->BeginIterator();
    for (auto const* childElement : children) {
        Check(*child++, childElement);
    }
}

void Check(ServiceType const* node, xmlNode const* element)
{
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(Name(element), Utf8(node->GetParamNameRef()));
    ServiceType const* value = node;
    if (node->GetType() == ANY_TYPE) {
        value = static_cast<AnyTypeServiceType const*>(node)->GetValue();
        EXPECT_EQ(Attribute(element, "type"), XmlEncoder::GetStrType(value->GetType()));
    } else {
        EXPECT_EQ(element->properties, nullptr);
    }
    switch (value->GetType()) {
    case COMPOSITE:
        return CheckChildren(static_cast<CompositeType const*>(value), element);
    case COMPOSITE_SEQUENCE:
        return CheckChildren(static_cast<CompositeSequenceType const*>(value), element);
    case DICTIONARY:
        return CheckDictionary(static_cast<DictionaryType const*>(value), element);
    case XML_STRING: {
        // The fragment is markup: the parser sees its elements.
        auto const children = Elements(element);
        ASSERT_EQ(children.size(), 1u);
        EXPECT_EQ(Name(children[0]), "frag");
        EXPECT_EQ(Text(children[0]), Utf8(u"\u00e9\U0001F600 & more"));
        return;
    }
    default:
        // Leaves and primitive sequences, the time nodes among them as 64-bit unsigned ones.
        EXPECT_TRUE(ForSomeElementType([&]<class T>() {
            if (auto const* scalar = dynamic_cast<ScalarType<T> const*>(value)) {
                ExpectValue(Text(element), scalar->GetValueRef());
                return true;
            }
            if (auto const* sequence = dynamic_cast<SequenceType<T> const*>(value)) {
                CheckSequence(*sequence, element);
                return true;
            }
            return false;
        })) << "kind not used in these tests: "
            << value->GetType();
    }
}

/// A tree using every kind the parser reads back, with awkward text throughout.
CompositeType* RichTree()
{
    std::u16string const awkward = u"\"quoted\" & 'single' <tag> \t\n Gr\u00fc\u00dfe \u20ac \U0001F600 \xD83D end";
    auto* people = new CompositeSequenceType(u"people", nullptr);
    people->Add(
        Composite(u"person", {Scalar<std::u16string>(u"Zo\u00eb <A&B>", u"name"), Scalar<std::uint8_t>(255, u"age")}));
    people->Add(Composite(u"person", {}));
    return Composite(u"request",
        {Scalar<std::int32_t>(-2147483647 - 1, u"count"), Scalar<std::u16string>(awkward, u"label"),
            Scalar<std::u16string>(u"", u"empty"), Scalar<bool>(true, u"flag"), Scalar<std::int8_t>(-128, u"small"),
            Scalar<std::int64_t>(std::numeric_limits<std::int64_t>::min(), u"big"),
            Scalar<std::uint64_t>(std::numeric_limits<std::uint64_t>::max(), u"huge"),
            Scalar<float>(1.0f / 3.0f, u"ratio"), Scalar<double>(1e-300, u"tiny"),
            Scalar<std::int32_t>(1, u"\u00e9l\u00e9ment"), Scalar<std::int32_t>(2, u"\u540d\u524d"),
            Scalar<std::int32_t>(3, u"x\U0001D11Ey"),
            new XmlString(u"<frag>\u00e9\U0001F600 &amp; more</frag>", u"raw"),
            new TimeDurationServiceType(86400000000ull, u"span"), new TimeStampSequenceType({0, 1, 2}, u"stamps"),
            Sequence<std::u16string>({awkward, u"", u"plain"}, u"tags"), Sequence<bool>({true, false}, u"bits"),
            Sequence<std::uint32_t>({}, u"none"), Sequence<double>({1.0 / 3.0, -1e20}, u"ratios"), people,
            Scalar<std::int16_t>(-32768, u"i16"), Scalar<std::uint16_t>(65535, u"u16"),
            Scalar<std::uint32_t>(4294967295u, u"u32"), new TimeStampServiceType(1700000000000000ull, u"at"),
            Sequence<std::int8_t>({-128, 0, 127}, u"i8s"), Sequence<std::uint8_t>({0, 255}, u"u8s"),
            Sequence<std::uint16_t>({1, 65535}, u"u16s"), Sequence<std::int32_t>({-5, 5}, u"i32s"),
            Sequence<std::int64_t>({std::numeric_limits<std::int64_t>::max()}, u"i64s"),
            Sequence<std::uint64_t>({0, 1}, u"u64s"), Sequence<float>({0.5f, -3.25e-3f, 1e30f}, u"floats"),
            new TimeDurationSequenceType({1, 2}, u"spans"),
            new AnyTypeServiceType(new TimeStampServiceType(5, u""), u"anyStamp"),
            new AnyTypeServiceType(new XmlString(u"<frag>\u00e9\U0001F600 &amp; more</frag>", u""), u"anyXml"),
            new AnyTypeServiceType(Sequence<std::u16string>({u"a<b"}), u"anySeq"),
            new AnyTypeServiceType(Scalar<double>(2.5, u"x"), u"anyDouble"),
            Composite(u"nested", {Composite(u"deeper", {Composite(u"deepest", {Scalar<bool>(true, u"leaf")})})}),
            Dictionary(u"plain", Sequence<std::u16string>({u"k&1", u"\U0001F600"}), Sequence<std::int32_t>({1, 2})),
            Dictionary(u"doubles", Sequence<double>({0.5}), Sequence<std::u16string>({awkward})),
            Dictionary(u"anyDict", Sequence<std::int32_t>({7, 8}),
                AnyValues({new AnyTypeServiceType(Sequence<std::int16_t>({-1, 2}), u"v"),
                    new AnyTypeServiceType(Scalar<std::u16string>(awkward), u"w")})),
            Dictionary(u"compositeDict", Sequence<std::u16string>({u"only"}),
                CompositeValues({Composite(u"entry", {Scalar<double>(0.1, u"d"), Scalar<bool>(false, u"b")})}))});
}

TEST(XmlRoundTrip, WholeMessageIsWellFormedAndReadsBack)
{
    Tarnwick::ServiceMessage message;
    message.SetMsgType(3);
    message.SetMsgCorrelationId(4000000000u);
    message.SetConsumerAddress(u"caf\u00e9 & \"bar\" \U0001F600");
    message.SetProducerAddress(u"<p>");
    message.SetOperationName(u"Op'1'");
    std::unique_ptr<CompositeType> tree(RichTree());
    for (std::int32_t indent : {0, 2, 7}) {
        std::ostringstream out;
        XmlEncoder::EncodeHeader(out, &message);
        XmlEncoder::Encode(out, tree.get(), indent);
        XmlEncoder::AppendFooter(out);
        Document const document = Parse(out.str());
        ASSERT_NE(document, nullptr) << out.str();
        xmlNode const* root = xmlDocGetRootElement(document.get());
        EXPECT_EQ(Name(root), "msg");
        auto attribute = [&](char const* name) { return Attribute(root, name).value_or("<missing>"); };
        EXPECT_EQ(attribute("MsgType"), "3");
        EXPECT_EQ(attribute("MsgCorrelationId"), "4000000000");
        EXPECT_EQ(attribute("MsgOrderId"), "0");
        EXPECT_EQ(attribute("ConsumerAddress"), Utf8(message.GetConsumerAddress()));
        EXPECT_EQ(attribute("ProducerAddress"), "<p>");
        EXPECT_EQ(attribute("OperationName"), "Op'1'");
        EXPECT_EQ(attribute("ParametersTypeName"), "");
        auto const body = Elements(root);
        ASSERT_EQ(body.size(), 1u);
        Check(tree.get(), body[0]);
    }
}

TEST(XmlRoundTrip, EverySubtreeAloneIsWellFormed)
{
    std::unique_ptr<CompositeType> tree(RichTree());
    for (auto child = tree->BeginIterator(); child != tree->EndIterator(); ++child) {
        std::string text;
        XmlEncoder::Encode(text, *child, 3);
        Document const document = Parse(text);
        ASSERT_NE(document, nullptr) << text;
        Check(*child, xmlDocGetRootElement(document.get()));
    }
}

TEST(XmlRoundTrip, TheParserRejectsTheOldSixByteSurrogates)
{
    // What writing each surrogate unit on its own would have produced: not UTF-8.
    EXPECT_EQ(Parse("<v>\xED\xA0\xBD\xED\xB8\x80</v>"), nullptr);
    std::unique_ptr<ServiceType> node(Scalar<std::u16string>(u"\U0001F600", u"v"));
    std::string text;
    XmlEncoder::Encode(text, node.get(), 0);
    EXPECT_NE(Parse(text), nullptr);
}

} // namespace
