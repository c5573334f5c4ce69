// The schema of a shape accepts what the encoder writes for trees of that shape,
// refuses what the typed decoder refuses for a wrong kind, a missing element or
// an unknown one, and whatever it accepts decodes with tolerant reading on.
// Shapes a schema cannot describe are refused with their line.

#include "EncodingTestSupport.h"
#include "RandomTrees.h"
#include "SchemaValidation.h"

#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/core/Conversion.h>
#include <tarnwick/encoding/ServiceMessage.h>
#include <tarnwick/encoding/XmlDecoder.h>
#include <tarnwick/encoding/XmlSchema.h>

#include <limits>
#include <random>

namespace {

using namespace EncodingTest;
using namespace RandomTreeSupport;
using namespace SchemaValidation;
using Tarnwick::ServiceMessage;
using Tarnwick::Encoding::XmlDecoder;
using Tarnwick::Encoding::XmlDecoderLimits;
using Tarnwick::Encoding::XmlSchema;

XmlDecoderLimits Tolerant()
{
    XmlDecoderLimits limits;
    limits.IgnoreUnknownElements = true;
    limits.KeepMissingElements = true;
    limits.AcceptSchemaForms = true;
    return limits;
}

ServiceMessage Header()
{
    ServiceMessage header;
    header.SetMsgType(7);
    header.SetMsgCorrelationId(4000000000u);
    header.SetMsgOrderId(1);
    header.SetSessionId(42);
    header.SetConsumerAddress(u"client & co");
    header.SetProducerAddress(u"<svc>");
    header.SetOperationName(u"Op");
    header.SetParametersTypeName(u"T");
    return header;
}

/// Random trees whose shapes a schema can describe: XML names without a prefix, and
/// children of one name only where they share a shape. Texts are XML-safe.
class RandomShapes : NodeSource<RandomShapes> {
public:
    using NodeSource::NodeSource;

    std::unique_ptr<ServiceType> Tree() { return std::unique_ptr<ServiceType>(Composite(u"request", Children(3))); }

private:
    friend NodeSource<RandomShapes>;

    static constexpr char16_t const* kPieces[] = {u"plain", u"a&b", u"<tag>", u"\"q\" 'a'", u"\u00e9", u"\u4e2d",
        u"\U0001F600", u"  ", u"]]>", u"\t", u"\n", u"&amp;", u"-1", u" 5 "};
    static constexpr char16_t const* kMarkup[] = {u"", u"plain", u"<b>bold</b>", u"<e a='1' b=\"x&amp;y\"/>", u"a&lt;b",
        u"<!-- note -->", u"<![CDATA[<raw> & ]]>", u"<?pi data?>", u"x<y>z</y>w", u"<request/>"};
    static constexpr NumberStyle kNumbers {3, false, true};

    template <class T> static std::span<T const> FloatSpecials()
    {
        using Limits = std::numeric_limits<T>;
        static T const specials[]
            = {T(0.1), T(-2.5), T(1e20), Limits::infinity(), -Limits::infinity(), Limits::quiet_NaN(),
                -Limits::quiet_NaN(), Limits::denorm_min(), Limits::max(), Limits::lowest(), T(0), -T(0), T(1) / T(3)};
        return specials;
    }

    std::vector<std::uint64_t> Times(bool) { return {m_Random(), m_Random()}; }

    std::vector<ServiceType*> Children(int depth)
    {
        static char16_t const* const names[]
            = {u"a", u"count", u"x-1", u"_id", u"v.2", u"item", u"key", u"value", u"msg", u"type"};
        std::vector<ServiceType*> children;
        std::vector<std::u16string> used;
        for (int i = Pick(6); i > 0; --i) {
            if (!children.empty() && Pick(5) == 0) {
                // A second child of one name shares its shape.
                children.push_back(children[static_cast<std::size_t>(Pick(static_cast<int>(children.size())))]->Copy());
                continue;
            }
            std::u16string name = OneOf<char16_t const*>(names);
            if (std::find(used.begin(), used.end(), name) != used.end()) {
                name += u"_" + std::u16string(1, static_cast<char16_t>(u'a' + used.size()));
            }
            used.push_back(name);
            children.push_back(Node(name, depth));
        }
        return children;
    }

    static std::u16string ItemName(int i, std::u16string const&) { return i % 2 == 0 ? u"item" : u"entry"; }

    AnyTypeServiceType* AnyItem(int i)
    {
        std::u16string const name = i % 2 == 0 ? u"v" : u"key";
        return new AnyTypeServiceType(Leaf(name, true), name);
    }

    /// A copy of `shape` with new values in its scalar children of the same kinds.
    ServiceType* Refilled(ServiceType const& shape)
    {
        std::unique_ptr<ServiceType> copy(shape.Copy());
        auto& composite = static_cast<CompositeType&>(*copy);
        for (auto it = composite.BeginIterator(); it != composite.EndIterator(); ++it) {
            ParamType const code = (*it)->GetType();
            if (code >= STRING && code <= DOUBLE) {
                VisitPrimitive(code - STRING, [&]<class T>() {
                    std::unique_ptr<ServiceType> old(*it);
                    *it = new ScalarType<T>(Value<T>(), old->GetParamNameRef());
                });
            }
        }
        return copy.release();
    }
};

constexpr unsigned kSeeds = 300;

TEST(XmlSchema, RandomTreesAndTheirMessagesValidateAgainstTheSchemaOfTheirShape)
{
    std::string all;
    for (unsigned seed = 0; seed < kSeeds; ++seed) {
        std::unique_ptr<ServiceType> const tree = RandomShapes(seed).Tree();
        Validator tree_schema(SchemaOf(*tree));
        ASSERT_TRUE(tree_schema.Parsed()) << "seed " << seed << ": " << tree_schema.Errors() << SchemaOf(*tree);
        std::string const text = EncodeStandard(*tree);
        EXPECT_TRUE(tree_schema.Valid(text)) << "seed " << seed << ": " << tree_schema.Errors() << "\n" << text;

        Validator message_schema(MessageSchemaOf(*tree));
        ASSERT_TRUE(message_schema.Parsed()) << "seed " << seed << ": " << message_schema.Errors();
        std::string const message = EncodeStandardMessage(Header(), *tree);
        EXPECT_TRUE(message_schema.Valid(message)) << "seed " << seed << ": " << message_schema.Errors();
        // The schema of the message is not the schema of the bare tree, and the other way round.
        EXPECT_FALSE(message_schema.Valid(text)) << "seed " << seed;
        EXPECT_FALSE(tree_schema.Valid(message)) << "seed " << seed;
        all += SchemaOf(*tree);
    }
    // The shapes took every form.
    for (char const* part : {"\"boolean\"", "\"float\"", "\"double\"", "\"time_stamp\"", "\"time_duration_seq\"",
             "\"xml_string\"", "\"any_type\"", "\"dictionary_1\"", "\"composite_sequence_1\"", "name=\"value\"",
             "<xs:any processContents=\"skip\"/>", "name=\"entry\"", "\"uint64_seq\"", "xs:unsignedByte"}) {
        EXPECT_NE(all.find(part), std::string::npos) << part;
    }
}

/// Both number forms of the encoder: 15 significant digits (6 for floats on a fresh
/// stream) and the shortest text that reads back to the same bits; and its words.
TEST(XmlSchema, AcceptsTheNumbersOfEitherProfile)
{
    std::unique_ptr<ServiceType> const prototype(Composite(u"r", {Scalar<float>(0, u"f"), Scalar<double>(0, u"d")}));
    Validator validator(SchemaOf(*prototype));
    for (auto const& [f, d] :
        std::initializer_list<std::pair<char const*, char const*>> {{"0.1", "0.1"}, {"1e-45", "5e-324"},
            {"3.4028235e+38", "1.7976931348623157e+308"}, {"3.40282e+38", "1.79769313486232e+308"}, {"-0", "-0"},
            {"1e+20", "1e+300"}, {"inf", "-inf"}, {"nan", "-nan"}, {"0.333333", "0.333333333333333"}}) {
        std::string const text = std::string("<r><f>") + f + "</f><d>" + d + "</d></r>";
        EXPECT_TRUE(validator.Valid(text)) << text << validator.Errors();
        EXPECT_NO_THROW(XmlDecoder(text).DecodeTree(*prototype)) << text;
    }
    for (char const* other : {"infinity", "1,5", "0x1p3", "", "+nan"}) {
        EXPECT_FALSE(validator.Valid(std::string("<r><f>0</f><d>") + other + "</d></r>")) << other;
    }
}

/// What the decoder refuses, the schema refuses: each text against the schema of the
/// prototype, and against the decoder with its default limits (the line of its refusal).
TEST(XmlSchema, RefusesWhatTheTypedDecoderRefuses)
{
    std::unique_ptr<ServiceType> const prototype(Composite(u"r",
        {Scalar<std::int32_t>(0, u"n"), Scalar<std::uint8_t>(0, u"u"), Scalar<bool>(false, u"b"),
            Scalar<double>(0, u"d"), Sequence<std::int16_t>({}, u"s"), new AnyTypeServiceType(nullptr, u"any"),
            Dictionary(u"m", Sequence<std::u16string>({}, u"keys"), Sequence<float>({}, u"values"))}));
    std::string const good = "<n>1</n><u>2</u><b>true</b><d>0.5</d><s><item>1</item></s><any type='int32'>1</any>"
                             "<m><item><key>k</key><value>inf</value></item></m>";
    struct Case {
        char const* what;
        std::string text;
        std::int32_t line;
    };
    auto const replaced = [&](std::string const& from, std::string const& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return "<r>" + text + "</r>";
    };
    Case const cases[] = {
        {"text for an integer", replaced("<n>1</n>", "<n>one</n>"), 134},
        {"an integer out of range", replaced("<u>2</u>", "<u>256</u>"), 134},
        {"a negative unsigned", replaced("<u>2</u>", "<u>-1</u>"), 134},
        {"a fraction for an integer", replaced("<n>1</n>", "<n>1.5</n>"), 134},
        {"a boolean as a number", replaced("<b>true</b>", "<b>yes</b>"), 134},
        {"a word for a double", replaced("<d>0.5</d>", "<d>half</d>"), 134},
        {"a sequence item of another kind", replaced("<item>1</item>", "<item>x</item>"), 134},
        {"a dictionary value of another kind", replaced("<value>inf</value>", "<value>x</value>"), 134},
        {"a key missing", replaced("<key>k</key>", ""), 136},
        {"a child missing", replaced("<b>true</b>", ""), 136},
        {"an unknown child", replaced("<b>true</b>", "<b>true</b><extra/>"), 135},
        {"an element in a scalar", replaced("<n>1</n>", "<n>1<x/></n>"), 135},
        {"an unknown element in a sequence", replaced("<item>1</item>", "<entry>1</entry>"), 135},
        {"an unknown type name", replaced("type='int32'", "type='int31'"), 138},
        {"no type attribute", replaced(" type='int32'", ""), 139},
        {"an unexpected attribute", replaced("<n>", "<n unit='m'>"), 140},
        {"a namespace declaration", replaced("<n>", "<n xmlns='urn:x'>"), 140},
        {"text in a composite", replaced("<n>1</n>", "<n>1</n>stray"), 137},
    };
    Validator validator(SchemaOf(*prototype));
    ASSERT_TRUE(validator.Valid("<r>" + good + "</r>")) << validator.Errors();
    ASSERT_NO_THROW(XmlDecoder("<r>" + good + "</r>").DecodeTree(*prototype));
    for (Case const& c : cases) {
        std::u16string const refusal = ThrownLine([&] { XmlDecoder(c.text).DecodeTree(*prototype); });
        EXPECT_NE(
            refusal.find(u"XmlDecoder line " + Tarnwick::Utils::Conversion::StringToWstring(std::to_string(c.line))),
            std::u16string::npos)
            << c.what;
        EXPECT_FALSE(validator.Valid(c.text)) << c.what;
    }
}

TEST(XmlSchema, RefusesShapesItCannotDescribeWithTheirLineAndWritesNothing)
{
    struct Case {
        char const* what;
        std::function<ServiceType*()> make;
        std::u16string expected;
    };
    auto const source = std::u16string(u"Exception: Tarnwick::Encoding::XmlSchema line ");
    Case const cases[] = {
        {"two children of one name and different kinds",
            [] {
                return Composite(u"r", {Composite(u"in", {Scalar<std::int32_t>(1, u"x"), Scalar<bool>(true, u"x")})});
            },
            source + u"751 - Children named 'x' of different shapes in r/in"},
        {"two composites of one name and different children",
            [] {
                return Composite(u"r",
                    {Composite(u"c", {Scalar<std::int32_t>(1, u"a")}),
                        Composite(u"c", {Scalar<std::int64_t>(1, u"a")})});
            },
            source + u"751 - Children named 'c' of different shapes in r"},
        {"a composite value named key beside the key",
            [] {
                return Dictionary(u"m", Sequence<std::int32_t>({1}, u"keys"),
                    CompositeValues({Composite(u"key", {Scalar<std::int32_t>(1, u"a")})}));
            },
            source + u"751 - Children named 'key' of different shapes in m/item"},
        {"a prefixed name", [] { return Composite(u"r", {Scalar<std::int32_t>(1, u"ns:v")}); },
            source + u"752 - Element name 'ns:v' is not a name a schema can declare in r/ns:v"},
        {"an empty name", [] { return Composite(u"r", {Scalar<std::int32_t>(1, u"")}); },
            source + u"752 - Element name '' is not a name a schema can declare in r/"},
        {"a name starting with a digit", [] { return Scalar<std::int32_t>(1, u"1a"); },
            source + u"752 - Element name '1a' is not a name a schema can declare in 1a"},
        {"a kind without text", [] { return Composite(u"r", {new ForeignNode(NULL_TYPE, true)}); },
            source + u"753 - Cannot describe a prototype of kind NULL_TYPE in r/odd"},
        {"a wrapper sequence outside a dictionary", [] { return new AnyTypeSequenceType(u"w"); },
            source + u"753 - Cannot describe a prototype of kind ANY_TYPE_SEQUENCE in w"},
        {"a dictionary without values", [] { return Dictionary(u"m", Sequence<std::int32_t>({}, u"k"), nullptr); },
            source + u"754 - Cannot describe a dictionary without keys and values in m"},
        {"time stamps as keys",
            [] { return Dictionary(u"m", new TimeStampSequenceType({}, u"k"), Sequence<std::int32_t>({}, u"v")); },
            source
                + u"754 - Cannot describe a dictionary with keys of kind TIME_STAMP_SEQUENCE and values of kind "
                  u"INT32_SEQUENCE in m"},
        {"a node of another class than its kind", [] { return Composite(u"r", {new ForeignNode(COMPOSITE, false)}); },
            source + u"755 - Cannot describe a prototype of another class than its kind in r/odd"},
    };
    for (Case const& c : cases) {
        std::unique_ptr<ServiceType> const prototype(c.make());
        std::ostringstream out;
        EXPECT_EQ(ThrownLine([&] { XmlSchema::Write(out, *prototype); }), c.expected) << c.what;
        EXPECT_EQ(ThrownLine([&] { XmlSchema::WriteMessage(out, *prototype); }), c.expected) << c.what;
        EXPECT_TRUE(out.str().empty()) << c.what;
    }
}

/// Rewrites one piece of character data or one header attribute value of `text` into
/// another form, valid or not; the schema decides.
class Mutator {
public:
    explicit Mutator(unsigned seed)
        : m_Random(seed)
    { }

    std::string operator()(std::string text)
    {
        // Character data between a '>' and the next '<', away from the declaration.
        std::vector<std::pair<std::size_t, std::size_t>> spans;
        for (std::size_t at = text.find("?>") + 2; (at = text.find('>', at)) != std::string::npos; ++at) {
            std::size_t const end = text.find('<', at);
            if (end != std::string::npos && end > at + 1 && text.find_first_not_of(" \n", at + 1) < end
                && !InsideAnyType(text, at)) {
                spans.emplace_back(at + 1, end);
            }
        }
        for (std::size_t at = 0; (at = text.find("=\"", at)) != std::string::npos; at += 2) {
            if (at > text.find("<msg")) {
                spans.emplace_back(at + 2, text.find('"', at + 2));
            }
        }
        if (spans.empty()) {
            return text;
        }
        auto const [first, last] = spans[std::uniform_int_distribution<std::size_t>(0, spans.size() - 1)(m_Random)];
        std::string const value = text.substr(first, last - first);
        return text.replace(first, last - first, Rewritten(value));
    }

private:
    /// Whether `at` lies inside an any-type element, whose content the schema cannot
    /// check against its type attribute: there a rewritten value may be no value at all.
    static bool InsideAnyType(std::string const& text, std::size_t at)
    {
        std::size_t const attribute = text.rfind(" type='", at);
        if (attribute == std::string::npos) {
            return false;
        }
        std::size_t const start = text.rfind('<', attribute);
        std::string const name = text.substr(start + 1, attribute - start - 1);
        return text.find("</" + name + ">", attribute) >= at;
    }

    std::string Rewritten(std::string value)
    {
        static constexpr std::pair<char const*, char const*> kWords[]
            = {{"-inf", "-INF"}, {"inf", "INF"}, {"nan", "NaN"}, {"true", " true "}, {"false", "\tfalse\n"}};
        switch (std::uniform_int_distribution<int>(0, 6)(m_Random)) {
        case 0:
            return " \t" + value + "\n ";
        case 1:
            return "+" + value;
        case 2:
            return value.front() == '-' ? "-00" + value.substr(1) : "00" + value;
        case 3:
            for (auto const& [from, to] : kWords) {
                if (value == from) {
                    return to;
                }
            }
            return value == "0" ? "-0" : value + ".0";
        case 4:
            return value.find("]]>") == std::string::npos && value.find('&') == std::string::npos
                ? "<![CDATA[" + value + "]]>"
                : value;
        case 5:
            // A character reference for the first character, when it is ASCII.
            return static_cast<unsigned char>(value.front()) < 0x80 && value.front() != '&'
                ? "&#" + std::to_string(static_cast<int>(value.front())) + ";" + value.substr(1)
                : value;
        default:
            return value.find('e') != std::string::npos ? value.replace(value.find('e'), 1, "E") : value + "<!-- -->";
        }
    }

    std::mt19937 m_Random;
};

TEST(XmlSchema, EveryTextTheSchemaAcceptsDecodesWithTolerantReading)
{
    std::size_t valid = 0;
    std::size_t refused = 0;
    for (unsigned seed = 0; seed < kSeeds; ++seed) {
        std::unique_ptr<ServiceType> const tree = RandomShapes(seed).Tree();
        Validator validator(MessageSchemaOf(*tree));
        std::string const original = EncodeStandardMessage(Header(), *tree);
        Mutator mutate(seed);
        for (int round = 0; round < 8; ++round) {
            std::string text = original;
            for (int i = 0; i <= round % 3; ++i) {
                text = mutate(text);
            }
            if (!validator.Valid(text)) {
                ++refused;
                continue;
            }
            ++valid;
            try {
                XmlDecoder const decoder(text, Tolerant());
                ServiceMessage header;
                decoder.DecodeHeader(header);
                EXPECT_NE(decoder.DecodeTree(*tree), nullptr);
            } catch (Tarnwick::ServiceException const& e) {
                ADD_FAILURE() << "seed " << seed << ": " << e.what() << "\n" << text;
            }
        }
    }
    // Both sides of the property were exercised.
    EXPECT_GT(valid, kSeeds * 2);
    EXPECT_GT(refused, kSeeds / 4);
}

TEST(XmlSchema, TheMessageHeaderIsTyped)
{
    std::unique_ptr<ServiceType> const tree(Composite(u"r", {}));
    Validator validator(MessageSchemaOf(*tree));
    std::string const text = EncodeStandardMessage(Header(), *tree);
    ASSERT_TRUE(validator.Valid(text)) << validator.Errors();
    auto const with = [&](std::string const& from, std::string const& to) {
        std::string changed = text;
        return changed.replace(changed.find(from), from.size(), to);
    };
    // Out of range, not a number, missing, unknown, and the parameter element missing or doubled.
    for (std::string const& bad : {with("MsgType=\"7\"", "MsgType=\"256\""),
             with("SessionId=\"42\"", "SessionId=\"4294967296\""), with("MsgOrderId=\"1\"", "MsgOrderId=\"x\""),
             with("  SessionId=\"42\"\n", ""), with("MsgType=\"7\"", "MsgType=\"7\" Extra=\"1\""),
             with("<r>\n  </r>\n", ""), with("<r>\n  </r>\n", "<r>\n  </r>\n<r/>")}) {
        EXPECT_FALSE(validator.Valid(bad)) << bad;
    }
}

} // namespace
