#include "EncodingTestSupport.h"

#include <tarnwick/datatypes/TimeDurationSequenceType.h>
#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/encoding/XmlSequenceWrapper.h>

#include <limits>
#include <stdexcept>

namespace {

using namespace EncodingTest;
using Tarnwick::Encoding::XmlEncoder;
using Tarnwick::Encoding::XmlSequenceWrapperBase;

std::u16string const kRequiresSequence
    = u"Exception: Tarnwick::Encoding::XmlSequenceWrapperBase line 57 - Requires sequence data type";
std::u16string const kFewerValues
    = u"Exception: Tarnwick::Encoding::XmlEncoder line 617 - Dictionary has fewer values than keys";

// One item per key, with the key in its sequence's format and the value of any
// kind; values beyond the keys are not written.
TEST(XmlDictionary, ItemsOfEveryValueKind)
{
    struct Case {
        char const* title;
        ServiceType* node;
        std::int32_t indent;
        std::string text;
    };
    Case const cases[] = {
        {"primitive values",
            Dictionary(u"map", Sequence<std::int32_t>({1, 2}), Sequence<std::u16string>({u"x", u"y&z"})), 0,
            Lines({"<map>", "  <item>", "    <key>1</key>", "    <value>x</value>", "  </item>", "  <item>",
                "    <key>2</key>", "    <value>y&amp;z</value>", "  </item>", "</map>"})},
        {"composite values",
            Dictionary(u"people", Sequence<std::u16string>({u"ann"}),
                CompositeValues({Composite(u"person", {Scalar<std::uint8_t>(30, u"age")})})),
            0,
            Lines({"<people>", "  <item>", "    <key>ann</key>", "    <person>", "      <age>30</age>", "    </person>",
                "  </item>", "</people>"})},
        {"wrapper values",
            Dictionary(u"opts", Sequence<std::u16string>({u"n"}),
                AnyValues({new AnyTypeServiceType(Scalar<std::int32_t>(7), u"v")})),
            0, Lines({"<opts>", "  <item>", "    <key>n</key>", "    <v type='int32'>7</v>", "  </item>", "</opts>"})},
        {"empty", Dictionary(u"e", Sequence<std::int32_t>({}), Sequence<std::int32_t>({})), 2, "  <e>\n  </e>\n"},
        {"surplus values",
            Dictionary(u"d", Sequence<std::int8_t>({1, 2, 3}), Sequence<bool>({true, false, true, false, false})), 0,
            Lines({"<d>", "  <item>", "    <key>1</key>", "    <value>true</value>", "  </item>", "  <item>",
                "    <key>2</key>", "    <value>false</value>", "  </item>", "  <item>", "    <key>3</key>",
                "    <value>true</value>", "  </item>", "</d>"})},
        {"double keys", Dictionary(u"d", Sequence<double>({1.0 / 3.0}), Sequence<std::u16string>({u"<&>"})), 0,
            Lines({"<d>", "  <item>", "    <key>0.333333333333333</key>", "    <value>&lt;&amp;&gt;</value>",
                "  </item>", "</d>"})},
        {"boolean keys", Dictionary(u"b", Sequence<bool>({false}), Sequence<std::uint64_t>({18446744073709551615ull})),
            0,
            Lines({"<b>", "  <item>", "    <key>false</key>", "    <value>18446744073709551615</value>", "  </item>",
                "</b>"})},
        {"escaped string keys", Dictionary(u"s", Sequence<std::u16string>({u"a'b\"c"}), Sequence<float>({0.25f})), 0,
            Lines(
                {"<s>", "  <item>", "    <key>a&apos;b&quot;c</key>", "    <value>0.25</value>", "  </item>", "</s>"})},
        // A wrapped sequence as value starts its lines at column zero.
        {"wrapped sequence value",
            Composite(u"top",
                {Dictionary(u"d", Sequence<std::u16string>({u"k"}),
                    AnyValues({new AnyTypeServiceType(Sequence<std::int16_t>({5, 6}), u"v")}))}),
            0,
            Lines({"<top>", "  <d>", "    <item>", "      <key>k</key>", "      <v type='int16_seq'>",
                "  <item>5</item>", "  <item>6</item>", "</v>", "    </item>", "  </d>", "</top>"})},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        std::unique_ptr<ServiceType> node(c.node);
        EXPECT_EQ(Encoded(*node, c.indent), c.text);
    }
}

TEST(XmlDictionary, TimeSequencesAreNotWrapped)
{
    for (ServiceType* node : {Dictionary(u"d", new TimeStampSequenceType({1}, u"k"), Sequence<bool>({true})),
             Dictionary(u"d", Sequence<std::int32_t>({1}), new TimeDurationSequenceType({1}, u"v"))}) {
        std::unique_ptr<ServiceType> d(node);
        std::ostringstream out;
        EXPECT_EQ(ThrownLine([&] { XmlEncoder::Encode(out, d.get(), 0); }), kRequiresSequence);
        EXPECT_EQ(out.str(), "<d>\n");
    }
}

TEST(XmlDictionary, FewerPrimitiveValuesRaiseOutOfRangeInsideTheValueLine)
{
    std::unique_ptr<ServiceType> d(Dictionary(u"d", Sequence<std::int32_t>({1, 2}), Sequence<std::int32_t>({10})));
    std::ostringstream out;
    EXPECT_THROW(XmlEncoder::Encode(out, d.get(), 0), std::out_of_range);
    EXPECT_EQ(out.str(),
        Lines({"<d>", "  <item>", "    <key>1</key>", "    <value>10</value>", "  </item>", "  <item>",
            "    <key>2</key>"})
            + "    <value>");
}

TEST(XmlDictionary, AnyTypeValueWrappingCompositeFailsAfterTheKeyLine)
{
    std::unique_ptr<ServiceType> d(
        Dictionary(u"d", Sequence<std::int32_t>({1}), AnyValues({new AnyTypeServiceType(Composite(u"c", {}), u"v")})));
    std::ostringstream out;
    EXPECT_EQ(ThrownLine([&] { XmlEncoder::Encode(out, d.get(), 0); }), kUnsupportedInAnyType);
    EXPECT_EQ(out.str(), Lines({"<d>", "  <item>", "    <key>1</key>"}) + "    ");
}

TEST(XmlDictionary, EncodersCalledDirectly)
{
    std::unique_ptr<DictionaryType> plain(Dictionary(u"d", Sequence<std::uint16_t>({7}), Sequence<std::int64_t>({-7})));
    std::ostringstream out;
    XmlEncoder::EncodeDictionary(out, plain.get(), 0);
    EXPECT_EQ(out.str(), Lines({"<item>", "  <key>7</key>", "  <value>-7</value>", "</item>"}));

    std::unique_ptr<DictionaryType> composites(Dictionary(u"d", Sequence<std::int32_t>({1, 2}),
        CompositeValues({Composite(u"a", {}), Composite(u"b", {Scalar<std::int32_t>(3, u"c")})})));
    std::ostringstream second;
    XmlEncoder::EncodeCompositeTypeDictionary(second, composites.get(), 1);
    EXPECT_EQ(second.str(),
        Lines({" <item>", "   <key>1</key>", "   <a>", "   </a>", " </item>", " <item>", "   <key>2</key>", "   <b>",
            "     <c>3</c>", "   </b>", " </item>"}));

    // A values node of another class than the encoder expects.
    std::ostringstream third;
    EXPECT_EQ(ThrownLine([&] { XmlEncoder::EncodeAnyTypeDictionary(third, plain.get(), 0); }), kRequiresSequence);
    EXPECT_EQ(ThrownLine([&] { XmlEncoder::EncodeCompositeTypeDictionary(third, plain.get(), 0); }), kRequiresSequence);
    EXPECT_EQ(ThrownLine([&] { XmlEncoder::EncodeDictionary(third, composites.get(), 0); }), kRequiresSequence);
    EXPECT_EQ(third.str(), "");
}

TEST(XmlDictionary, MissingKeysOrValuesRaiseInsteadOfCrashing)
{
    struct Case {
        bool keys;
        bool values;
    };
    for (auto const c : {Case {true, false}, Case {false, true}, Case {false, false}}) {
        std::unique_ptr<DictionaryType> d(new DictionaryType(u"d"));
        if (c.keys) {
            d->SetKeys(Sequence<std::int32_t>({1}));
        }
        if (c.values) {
            d->SetValues(Sequence<std::int32_t>({1}));
        }
        std::ostringstream out;
        EXPECT_EQ(ThrownLine([&] { XmlEncoder::Encode(out, d.get(), 0); }), kRequiresSequence);
        EXPECT_EQ(out.str(), "<d>\n");
        std::ostringstream direct;
        EXPECT_EQ(ThrownLine([&] { XmlEncoder::EncodeDictionary(direct, d.get(), 0); }), kRequiresSequence);
        EXPECT_EQ(ThrownLine([&] { XmlEncoder::EncodeAnyTypeDictionary(direct, d.get(), 0); }), kRequiresSequence);
        EXPECT_EQ(
            ThrownLine([&] { XmlEncoder::EncodeCompositeTypeDictionary(direct, d.get(), 0); }), kRequiresSequence);
        EXPECT_EQ(direct.str(), "");
    }
    std::unique_ptr<DictionaryType> anyWithoutKeys(new DictionaryType(u"d"));
    anyWithoutKeys->SetValues(AnyValues({}));
    std::ostringstream out;
    EXPECT_EQ(ThrownLine([&] { XmlEncoder::Encode(out, anyWithoutKeys.get(), 0); }), kRequiresSequence);
}

TEST(XmlDictionary, FewerNodeValuesRaiseAfterTheCompleteItems)
{
    struct Case {
        ServiceType* node;
        std::string written;
    };
    Case const cases[] = {
        {Dictionary(
             u"d", Sequence<std::int32_t>({1, 2, 3}), AnyValues({new AnyTypeServiceType(Scalar<bool>(true), u"v")})),
            Lines({"<d>", "  <item>", "    <key>1</key>", "    <v type='boolean'>true</v>", "  </item>"})},
        {Dictionary(u"d", Sequence<std::int32_t>({1, 2}), CompositeValues({})), "<d>\n"},
    };
    for (auto const& c : cases) {
        std::unique_ptr<ServiceType> d(c.node);
        std::ostringstream out;
        EXPECT_EQ(ThrownLine([&] { XmlEncoder::Encode(out, d.get(), 0); }), kFewerValues);
        EXPECT_EQ(out.str(), c.written);
    }
}

TEST(XmlSequenceWrapper, EveryKindWritesItsElementsThenRunsOut)
{
    struct Case {
        ServiceType* sequence;
        std::vector<std::string> texts;
    };
    std::vector<Case> const cases = {{Sequence<std::u16string>({u"a<", u"\u00e9"}), {"a&lt;", "\xC3\xA9"}},
        {Sequence<bool>({true, false}), {"true", "false"}}, {Sequence<std::int8_t>({-5}), {"-5"}},
        {Sequence<std::uint8_t>({200}), {"200"}}, {Sequence<std::int16_t>({-300}), {"-300"}},
        {Sequence<std::uint16_t>({60000}), {"60000"}}, {Sequence<std::int32_t>({-70000}), {"-70000"}},
        {Sequence<std::uint32_t>({3000000000u}), {"3000000000"}},
        {Sequence<std::int64_t>({-5000000000}), {"-5000000000"}},
        {Sequence<std::uint64_t>({10000000000000000000ull}), {"10000000000000000000"}},
        {Sequence<float>({0.5f, 1.0f / 3.0f}), {"0.5", "0.333333"}},
        {Sequence<double>({0.1, 2.0 / 3.0}), {"0.1", "0.666666666666667"}}};
    for (auto const& c : cases) {
        std::unique_ptr<ServiceType> sequence(c.sequence);
        std::unique_ptr<XmlSequenceWrapperBase> wrapper(XmlSequenceWrapperBase::Create(sequence.get()));
        for (auto const& text : c.texts) {
            std::ostringstream out;
            wrapper->EncodeNext(out);
            EXPECT_EQ(out.str(), text);
        }
        std::ostringstream out;
        EXPECT_THROW(wrapper->EncodeNext(out), std::out_of_range);
        EXPECT_EQ(out.str(), "");
    }
}

TEST(XmlSequenceWrapper, ElementsFollowTheCallersStreamState)
{
    std::unique_ptr<ServiceType> floats(Sequence<float>({1.0f / 3.0f}));
    std::unique_ptr<ServiceType> doubles(Sequence<double>({1.0 / 3.0}));
    std::unique_ptr<ServiceType> ints(Sequence<std::int32_t>({255}));
    std::unique_ptr<ServiceType> bytes(Sequence<std::int8_t>({-1}));
    std::unique_ptr<ServiceType> bools(Sequence<bool>({true}));
    std::ostringstream out;
    out.precision(3);
    out << std::hex << std::noboolalpha;
    for (ServiceType const* sequence : {floats.get(), doubles.get(), ints.get(), bytes.get(), bools.get()}) {
        std::unique_ptr<XmlSequenceWrapperBase> wrapper(XmlSequenceWrapperBase::Create(sequence));
        wrapper->EncodeNext(out);
        out.write("|", 1);
    }
    // FLOAT at the stream's precision, DOUBLE at 15 digits, integers in the stream's base (8-bit ones as 16-bit).
    EXPECT_EQ(out.str(), "0.333|0.333333333333333|ff|ffff|true|");
    EXPECT_EQ(out.precision(), 3);
}

TEST(XmlSequenceWrapper, CreateRejectsEverythingButPrimitiveSequences)
{
    std::vector<ServiceType*> const others = {Scalar<std::int32_t>(1), new CompositeType(u"c"),
        new CompositeSequenceType(u"cs", nullptr), new AnyTypeSequenceType(u"as"), new TimeStampSequenceType({}, u"t"),
        new TimeDurationSequenceType({}, u"t"), new DictionaryType(u"d"),
        new ForeignNode(static_cast<ParamType>(std::numeric_limits<std::int32_t>::min()), false),
        new ForeignNode(static_cast<ParamType>(std::numeric_limits<std::int32_t>::max()), false), nullptr};
    for (ServiceType* other : others) {
        std::unique_ptr<ServiceType> node(other);
        EXPECT_EQ(ThrownLine([&] { delete XmlSequenceWrapperBase::Create(node.get()); }), kRequiresSequence);
    }
}

} // namespace
