// The decoder's calls: the header, the parameter element, value objects and
// messages (changed together or not at all), legacy bytes and the shape-free rules.

#include "EncodingTestSupport.h"

#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/encoding/ServiceMessage.h>
#include <tarnwick/encoding/XmlDecoder.h>
#include <tarnwick/stubproxy/AnyType.h>
#include <tarnwick/stubproxy/Record.h>
#include <tarnwick/stubproxy/UserParametersErrorString.h>

#include <sstream>

namespace {

using namespace EncodingTest;
using Tarnwick::ServiceMessage;
using Tarnwick::Encoding::XmlDecoder;
using Tarnwick::Encoding::XmlEncoder;
using Tarnwick::StubProxy::UserParameters;
using Tarnwick::StubProxy::UserParametersErrorString;

std::u16string Refusal(std::u16string const& line, std::u16string const& message)
{
    return u"Exception: Tarnwick::Encoding::XmlDecoder line " + line + u" - " + message;
}

ServiceMessage Header(std::int32_t type, std::u16string const& text)
{
    ServiceMessage message;
    message.SetMsgType(type);
    message.SetMsgCorrelationId(0xFFFFFFFFu);
    message.SetMsgOrderId(0);
    message.SetSessionId(42);
    message.SetConsumerAddress(text);
    message.SetProducerAddress(u"svc&co <" + text + u">");
    message.SetOperationName(u"");
    message.SetParametersTypeName(text + text);
    return message;
}

std::string HeaderText(ServiceMessage const& message, std::string const& body = "")
{
    std::ostringstream out;
    XmlEncoder::EncodeHeader(out, &message);
    out << body;
    XmlEncoder::AppendFooter(out);
    return out.str();
}

void ExpectSameHeader(ServiceMessage const& actual, ServiceMessage const& expected)
{
    EXPECT_EQ(actual.GetMsgType(), expected.GetMsgType() & 0xFF);
    EXPECT_EQ(actual.GetMsgCorrelationId(), expected.GetMsgCorrelationId());
    EXPECT_EQ(actual.GetMsgOrderId(), expected.GetMsgOrderId());
    EXPECT_EQ(actual.GetSessionId(), expected.GetSessionId());
    EXPECT_EQ(actual.GetConsumerAddress(), expected.GetConsumerAddress());
    EXPECT_EQ(actual.GetProducerAddress(), expected.GetProducerAddress());
    EXPECT_EQ(actual.GetOperationName(), expected.GetOperationName());
    EXPECT_EQ(actual.GetParametersTypeName(), expected.GetParametersTypeName());
}

TEST(XmlDecoderHeader, FieldsComeBackAsWrittenWhateverTheyHold)
{
    // Whitespace that XML would normalise in attributes, raw controls, non-BMP text, escapes.
    for (std::u16string const text : {u"client-1", u"a\tb\rc\nd", u"\r\n", u"\u0001\u001f\u007f",
             u"\U0001F600\U00010400", u"\"'&<>", u"  ", u"\ufffe\uffff", u"caf\u00e9 \u4e2d"}) {
        // The type travels as its low 8 bits.
        for (std::int32_t const type : {0, 3, 255, 256, 300, -1}) {
            ServiceMessage const sent = Header(type, text);
            XmlDecoder const decoder(HeaderText(sent));
            EXPECT_TRUE(decoder.IsMessage());
            ServiceMessage received;
            decoder.DecodeHeader(received);
            ExpectSameHeader(received, sent);
            // And once more through the decoded header: the same bytes.
            EXPECT_EQ(HeaderText(received), HeaderText(Header(type & 0xFF, text)));
        }
    }
}

std::string HeaderWith(std::string const& name, std::string const& value)
{
    std::string text = HeaderText(Header(3, u"x"));
    std::size_t const at = text.find("  " + name + "=\"");
    std::size_t const end = text.find('"', at + name.size() + 4);
    return text.replace(at, end + 2 - at, value.empty() ? std::string() : "  " + name + "=\"" + value + "\"\n");
}

TEST(XmlDecoderHeader, FieldsThatDoNotFitAreRefusedAndChangeNothing)
{
    struct Row {
        std::string text;
        std::u16string expected;
    };
    std::vector<Row> const rows = {
        {HeaderWith("MsgType", "256"),
            Refusal(u"132", u"Invalid value '256' of header attribute 'MsgType' at line 3, column 3")},
        {HeaderWith("MsgType", "-1"),
            Refusal(u"132", u"Invalid value '-1' of header attribute 'MsgType' at line 3, column 3")},
        {HeaderWith("SessionId", "4294967296"),
            Refusal(u"132", u"Invalid value '4294967296' of header attribute 'SessionId' at line 6, column 3")},
        {HeaderWith("MsgOrderId", "1x"),
            Refusal(u"132", u"Invalid value '1x' of header attribute 'MsgOrderId' at line 5, column 3")},
        {HeaderWith("MsgOrderId", ""), Refusal(u"131", u"Missing header attribute 'MsgOrderId' at line 2, column 1")},
        {HeaderWith("OperationName", ""),
            Refusal(u"131", u"Missing header attribute 'OperationName' at line 2, column 1")},
        {HeaderWith("SessionId", "1\"\n  Extra=\"x"),
            Refusal(u"140", u"Unexpected attribute 'Extra' in msg at line 7, column 3")},
        {"<request/>", Refusal(u"130", u"Not a message: the root element is not 'msg' at line 1, column 1")},
    };
    for (Row const& row : rows) {
        XmlDecoder const decoder(row.text);
        ServiceMessage message = Header(7, u"before");
        message.SetParameters(new UserParametersErrorString(u"kept"));
        EXPECT_EQ(ThrownLine([&] { decoder.DecodeHeader(message); }), row.expected) << row.text;
        EXPECT_EQ(ThrownLine([&] { decoder.DecodeMessage(message); }), row.expected) << row.text;
        ExpectSameHeader(message, Header(7, u"before"));
        EXPECT_EQ(static_cast<UserParametersErrorString*>(message.GetParameters())->GetError(), u"kept");
    }
    EXPECT_FALSE(XmlDecoder(HeaderWith("MsgOrderId", "")).IsMessage());
}

TEST(XmlDecoderHeader, AttributesAreFoundInAnyOrderAndForm)
{
    // Reversed, numbers by character references, an unknown attribute skipped when asked.
    std::string const reversed = "<msg ParametersTypeName='t' OperationName='o' ProducerAddress='p' "
                                 "ConsumerAddress='c' SessionId='4' MsgOrderId='&#49;7' Other='x' "
                                 "MsgCorrelationId='2' MsgType='&#x33;'/>";
    Tarnwick::Encoding::XmlDecoderLimits tolerant;
    tolerant.IgnoreUnknownElements = true;
    XmlDecoder const decoder(reversed, tolerant);
    EXPECT_TRUE(decoder.IsMessage());
    ServiceMessage message;
    decoder.DecodeHeader(message);
    ServiceMessage expected;
    expected.SetMsgType(3);
    expected.SetMsgCorrelationId(2);
    expected.SetMsgOrderId(17);
    expected.SetSessionId(4);
    expected.SetConsumerAddress(u"c");
    expected.SetProducerAddress(u"p");
    expected.SetOperationName(u"o");
    expected.SetParametersTypeName(u"t");
    ExpectSameHeader(message, expected);
    EXPECT_EQ(ThrownLine([&] { XmlDecoder(reversed).DecodeHeader(message); }),
        Refusal(u"140", u"Unexpected attribute 'Other' in msg at line 1, column 121"));

    // A repeated header attribute, the same length as another one, a number that is not one after its references.
    std::string const header = "MsgType='1' MsgCorrelationId='2' MsgOrderId='3' SessionId='4' ConsumerAddress='c' "
                               "ProducerAddress='p' OperationName='o' ParametersTypeName='t'";
    EXPECT_EQ(ThrownLine([&] { XmlDecoder("<msg " + header + " SessionId='5'/>"); }),
        Refusal(u"115", u"Duplicate attribute 'SessionId' at line 1, column 149"));
    std::string const bad = "<msg MsgOrderId='&#x31;x' " + header.substr(0, 33) + header.substr(48) + "/>";
    EXPECT_EQ(ThrownLine([&] { XmlDecoder(bad).DecodeHeader(message); }),
        Refusal(u"132", u"Invalid value '1x' of header attribute 'MsgOrderId' at line 1, column 6"));
    ExpectSameHeader(message, expected);
}

TEST(XmlDecoderMessage, HeaderAndPayloadComeBackTogether)
{
    ServiceMessage sent = Header(3, u"a\tb");
    UserParametersErrorString error(u"disk \"full\"\r\n");
    std::unique_ptr<ServiceType> const tree(error.StoreTo(u"reply"));
    XmlDecoder const decoder(HeaderText(sent, Encoded(*tree, 2)));

    ServiceMessage received;
    auto* payload = new UserParametersErrorString(u"old");
    received.SetParameters(payload);
    decoder.DecodeMessage(received);
    ExpectSameHeader(received, sent);
    // The payload object is the same one, with the new value.
    EXPECT_EQ(received.GetParameters(), payload);
    EXPECT_EQ(payload->GetError(), u"disk \"full\"\r\n");

    // Without a payload object only the header is read.
    ServiceMessage bare;
    decoder.DecodeMessage(bare);
    ExpectSameHeader(bare, sent);
    EXPECT_EQ(bare.GetParameters(), nullptr);
}

TEST(XmlDecoderMessage, NoParameterElementLeavesValuesAlone)
{
    XmlDecoder const decoder(HeaderText(Header(1, u"x")));
    EXPECT_EQ(decoder.DecodeTree(), nullptr);
    EXPECT_EQ(decoder.DecodeTree(ScalarType<std::int32_t>(1, u"v")), nullptr);
    UserParametersErrorString value(u"kept");
    decoder.DecodeInto(value);
    EXPECT_EQ(value.GetError(), u"kept");
    ServiceMessage message;
    message.SetParameters(new UserParametersErrorString(u"kept"));
    decoder.DecodeMessage(message);
    EXPECT_EQ(static_cast<UserParametersErrorString*>(message.GetParameters())->GetError(), u"kept");
    EXPECT_EQ(message.GetMsgType(), 1);
}

TEST(XmlDecoderMessage, SecondParameterElementAndTextAreRefused)
{
    std::string const two = HeaderText(Header(1, u"x"), "  <a>1</a>\n  <b>2</b>\n");
    EXPECT_EQ(ThrownLine([&] { XmlDecoder(two).DecodeTree(); }),
        Refusal(u"133", u"More than one parameter element in msg at line 13, column 3"));
    std::string const text = HeaderText(Header(1, u"x"), "  <a>1</a>\n  stray\n");
    EXPECT_EQ(ThrownLine([&] { XmlDecoder(text).DecodeTree(); }),
        Refusal(u"137", u"Unexpected text in msg at line 2, column 1"));
}

/// A value object of two fields whose `InitFrom` sets the first before it finds the second wrong.
class HalfWay : public UserParameters {
public:
    std::u16string first = u"first";
    std::int32_t second = 2;

    UserParameters* Copy() const override { return new HalfWay(*this); }
    ServiceType* StoreTo(char16_t const* name) override
    {
        return Composite(name, {Scalar(first, u"first"), Scalar(second, u"second")});
    }
    /// Calls of `InitFrom` on any object of the class.
    static inline int initFroms = 0;

    void InitFrom(ServiceType* tree) override
    {
        ++initFroms;
        auto& composite = dynamic_cast<CompositeType&>(*tree);
        first = dynamic_cast<ScalarType<std::u16string>&>(**composite.BeginIterator()).GetValue();
        std::int32_t const value
            = dynamic_cast<ScalarType<std::int32_t>&>(**(composite.BeginIterator() + 1)).GetValue();
        if (value < 0) {
            throw Tarnwick::ServiceException(u"negative", "HalfWay", 1);
        }
        second = value;
    }
};

TEST(XmlDecoderValue, DecodeIntoReadsInTheValuesOwnShape)
{
    HalfWay value;
    XmlDecoder(HeaderText(Header(1, u"x"), "  <p>\n    <second>5</second>\n    <first>new</first>\n  </p>\n"))
        .DecodeInto(value);
    EXPECT_EQ(value.first, u"new");
    EXPECT_EQ(value.second, 5);

    Tarnwick::DataTypes::AnyType any = std::int16_t(3);
    XmlDecoder("<v type='int16'>-7</v>").DecodeInto(any);
    EXPECT_EQ(static_cast<int>(any), -7);
}

TEST(XmlDecoderValue, FailuresChangeNeitherValueNorMessage)
{
    struct Row {
        std::string body;
        std::u16string expected;
    };
    std::vector<Row> const rows = {
        // InitFrom fails half way: only the trial copy saw it.
        {"  <p>\n    <first>new</first>\n    <second>-1</second>\n  </p>\n", u"Exception: HalfWay line 1 - negative"},
        {"  <p>\n    <first>new</first>\n    <second>x</second>\n  </p>\n",
            Refusal(u"134", u"Invalid INT32 value 'x' in p/second at line 14, column 5")},
        {"  <p>\n    <first>new</first>\n  </p>\n",
            Refusal(u"136", u"Missing element 'second' in p at line 12, column 3")},
    };
    for (Row const& row : rows) {
        XmlDecoder const decoder(HeaderText(Header(9, u"new"), row.body));
        HalfWay value;
        EXPECT_EQ(ThrownLine([&] { decoder.DecodeInto(value); }), row.expected);
        EXPECT_EQ(value.first, u"first");
        EXPECT_EQ(value.second, 2);
        ServiceMessage message = Header(4, u"old");
        auto* payload = new HalfWay;
        message.SetParameters(payload);
        EXPECT_EQ(ThrownLine([&] { decoder.DecodeMessage(message); }), row.expected);
        ExpectSameHeader(message, Header(4, u"old"));
        EXPECT_EQ(message.GetParameters(), payload);
        EXPECT_EQ(payload->first, u"first");
        EXPECT_EQ(payload->second, 2);
    }
}

/// `HalfWay` read into a temporary and moved in, which it declares.
class Atomic : public HalfWay {
public:
    UserParameters* Copy() const override { return new Atomic(*this); }
    void InitFrom(ServiceType* tree) override
    {
        HalfWay read;
        read.HalfWay::InitFrom(tree);
        first = std::move(read.first);
        second = read.second;
    }
    bool InitFromIsAtomic() const noexcept override { return true; }
};

/// A record holding a `HalfWay`: the record reads into a new record, so it is atomic as a whole.
struct Holder : Tarnwick::StubProxy::Record<Holder> {
    HalfWay inner;
    static constexpr auto Fields() { return std::tuple {Tarnwick::StubProxy::Field(u"inner", &Holder::inner)}; }
};

template <class Value> HalfWay& Inner(Value& value)
{
    if constexpr (std::is_same_v<Value, Holder>) {
        return value.inner;
    } else {
        return value;
    }
}

/// DecodeInto of `body` (the parameter element `p` holding a HalfWay's fields) into a fresh
/// `Value`: the calls of HalfWay's InitFrom it took, and the failure or "".
template <class Value> std::pair<int, std::u16string> DecodeCounted(std::string const& fields, Value& value)
{
    std::string const body
        = std::is_same_v<Value, Holder> ? "<p><inner>" + fields + "</inner></p>" : "<p>" + fields + "</p>";
    XmlDecoder const decoder(body);
    HalfWay::initFroms = 0;
    try {
        decoder.DecodeInto(value);
    } catch (Tarnwick::ServiceException const& e) {
        return {HalfWay::initFroms, e.ToString()};
    }
    return {HalfWay::initFroms, u""};
}

TEST(XmlDecoderValue, AtomicValueObjectsAreReadOnceAndStillChangeNothingOnFailure)
{
    EXPECT_FALSE(HalfWay().InitFromIsAtomic());
    EXPECT_TRUE(Atomic().InitFromIsAtomic());
    EXPECT_TRUE(Holder().InitFromIsAtomic());
    std::string const good = "<first>new</first><second>5</second>";
    std::string const bad = "<first>new</first><second>-1</second>";
    std::u16string const negative = u"Exception: HalfWay line 1 - negative";
    auto check = [&]<class Value>(Value value, int calls) {
        SCOPED_TRACE(typeid(Value).name());
        EXPECT_EQ(DecodeCounted(good, value), std::make_pair(calls, std::u16string()));
        EXPECT_EQ(Inner(value).first, u"new");
        EXPECT_EQ(Inner(value).second, 5);
        Value untouched;
        // The record names the field it failed on before the member's own message.
        auto const [failedCalls, failure] = DecodeCounted(bad, untouched);
        EXPECT_EQ(failedCalls, 1);
        EXPECT_TRUE(failure.ends_with(negative));
        EXPECT_EQ(Inner(untouched).first, u"first");
        EXPECT_EQ(Inner(untouched).second, 2);
    };
    // Tried on a copy first, then read into the object.
    check(HalfWay(), 2);
    // Read once, into the object itself.
    check(Atomic(), 1);
    check(Holder(), 1);
}

TEST(XmlDecoderTree, ShapeFreeRules)
{
    XmlDecoder const decoder("<r>\n  <s> a&amp;b </s>\n  <e></e>\n  <n type='uint8'>200</n>\n  <c>\n    <x>1</x>\n"
                             "  </c>\n  <w>  </w>\n</r>");
    std::unique_ptr<ServiceType> const tree = decoder.DecodeTree();
    auto const& root = dynamic_cast<CompositeType const&>(*tree);
    ASSERT_EQ(root.Size(), 5u);
    auto child = root.BeginIterator();
    EXPECT_EQ(dynamic_cast<ScalarType<std::u16string> const&>(**child).GetValueRef(), u" a&b ");
    EXPECT_EQ(dynamic_cast<ScalarType<std::u16string> const&>(**++child).GetValueRef(), u"");
    auto const& any = dynamic_cast<AnyTypeServiceType const&>(**++child);
    EXPECT_EQ(dynamic_cast<ScalarType<std::uint8_t> const&>(*any.GetValue()).GetValueRef(), 200);
    EXPECT_EQ(any.GetParamNameRef(), u"n");
    EXPECT_EQ(dynamic_cast<CompositeType const&>(**++child).Size(), 1u);
    EXPECT_EQ(dynamic_cast<ScalarType<std::u16string> const&>(**++child).GetValueRef(), u"  ");
}

TEST(XmlDecoderTree, CompositeChildrenComeBackInThePrototypesOrder)
{
    // The k-th child of a name takes the k-th element of that name, wherever it stands.
    std::unique_ptr<ServiceType> const prototype(Composite(
        u"r", {Scalar<std::int32_t>(0, u"a"), Scalar<std::u16string>(u"", u"b"), Scalar<std::int32_t>(0, u"a")}));
    std::unique_ptr<ServiceType> const tree = XmlDecoder("<r><a>1</a><b>x</b><a>2</a></r>").DecodeTree(*prototype);
    std::unique_ptr<ServiceType> const shuffled
        = XmlDecoder("<r>\n<a>1</a>\n<a>2</a>\n<b>x</b>\n</r>").DecodeTree(*prototype);
    std::string const expected = Lines({"<r>", "  <a>1</a>", "  <b>x</b>", "  <a>2</a>", "</r>"});
    EXPECT_EQ(Encoded(*tree), expected);
    EXPECT_EQ(Encoded(*shuffled), expected);
}

TEST(XmlDecoderTree, XmlStringsKeepTheirMarkupByteForByte)
{
    std::string const inner = "\n  <b a='1'\tc=\"&amp;\">x&lt;y</b><!-- c --><![CDATA[ <]]><?p d?>\r\n  <e/>tail ";
    XmlDecoder const decoder("<m>\n  <x>" + inner + "</x >\n  <y/>\n</m>");
    std::unique_ptr<ServiceType> const prototype(
        Composite(u"m", {new XmlString(u"", u"x"), new XmlString(u"old", u"y")}));
    std::unique_ptr<ServiceType> const tree = decoder.DecodeTree(*prototype);
    auto const& root = dynamic_cast<CompositeType const&>(*tree);
    std::u16string expected(inner.begin(), inner.end());
    EXPECT_EQ(dynamic_cast<XmlString const&>(**root.BeginIterator()).GetValueRef(), expected);
    EXPECT_EQ(dynamic_cast<XmlString const&>(**(root.BeginIterator() + 1)).GetValueRef(), u"");
}

TEST(XmlDecoderTree, LegacyBytesDecodeToTheUnitsTheyStoodFor)
{
    // A surrogate pair written unit by unit, and a name written as its low 8 bits.
    XmlDecoder const decoder("<caf\xe9>\xed\xa0\xbd\xed\xb8\x80|\xed\xb0\x80</caf\xe9>");
    std::unique_ptr<ServiceType> const tree = decoder.DecodeTree(ScalarType<std::u16string>(u"", u"x"));
    EXPECT_EQ(tree->GetParamNameRef(), u"caf\u00e9");
    EXPECT_EQ(dynamic_cast<ScalarType<std::u16string> const&>(*tree).GetValueRef(), u"\U0001F600|\xdc00");
    // Written again, the pair becomes one 4-byte sequence and the name UTF-8.
    EXPECT_EQ(Encoded(*tree), "<caf\xc3\xa9>\xf0\x9f\x98\x80|\xef\xbf\xbd</caf\xc3\xa9>\n");
}

TEST(XmlDecoderTree, CompositeSequenceItemsTakeThePrototypesShape)
{
    // The item prototype decides, and the decoded sequence keeps a copy of it.
    CompositeSequenceType prototype(u"errors", new UserParametersErrorString());
    XmlDecoder const decoder("<errors>\n  <item>\n    <ErrorString>a</ErrorString>\n  </item>\n  <item>\n"
                             "    <ErrorString>b</ErrorString>\n  </item>\n</errors>");
    std::unique_ptr<ServiceType> const tree = decoder.DecodeTree(prototype);
    auto const& sequence = dynamic_cast<CompositeSequenceType const&>(*tree);
    ASSERT_EQ(sequence.Size(), 2u);
    UserParametersErrorString error;
    error.InitFrom(*(sequence.BeginIterator() + 1));
    EXPECT_EQ(error.GetError(), u"b");
    std::unique_ptr<ServiceType> const empty(sequence.CreateEmptyItem());
    EXPECT_EQ(dynamic_cast<CompositeType const&>(*empty).Size(), 1u);
    // An item of another shape is refused.
    EXPECT_EQ(ThrownLine([&] { XmlDecoder("<errors><item><Other>a</Other></item></errors>").DecodeTree(prototype); }),
        Refusal(u"136", u"Missing element 'ErrorString' in errors/item at line 1, column 9"));
}

TEST(XmlDecoderTree, PrototypesThatCannotShapeATreeAreRefused)
{
    XmlDecoder const decoder("<d>\n  <item><key>1</key><value>2</value></item>\n</d>");
    DictionaryType empty(u"d");
    EXPECT_EQ(ThrownLine([&] { decoder.DecodeTree(empty); }),
        Refusal(u"141", u"Cannot decode a prototype dictionary without keys and values in d at line 1, column 1"));
    AnyTypeSequenceType anys(u"d");
    EXPECT_EQ(ThrownLine([&] { decoder.DecodeTree(anys); }),
        Refusal(u"141", u"Cannot decode a prototype of kind ANY_TYPE_SEQUENCE in d at line 1, column 1"));
    ForeignNode foreign(COMPOSITE, false);
    EXPECT_EQ(ThrownLine([&] { decoder.DecodeTree(foreign); }),
        Refusal(u"141", u"Cannot decode a prototype of another class than its kind in d at line 1, column 1"));
}

TEST(XmlDecoderObject, ByteOrderMarkAndDeclarationAreRead)
{
    for (std::string const text : {"\xef\xbb\xbf<a>1</a>", "\xef\xbb\xbf<?xml version='1.0'?><a>1</a>",
             "<?xml version=\"1.1\" encoding=\"UTF-8\" standalone='yes' ?>\n<!-- c --><?pi x?><a>1</a><!-- d -->\n"}) {
        std::unique_ptr<ServiceType> const tree = XmlDecoder(text).DecodeTree(ScalarType<std::int32_t>(0, u"v"));
        EXPECT_EQ(dynamic_cast<ScalarType<std::int32_t> const&>(*tree).GetValueRef(), 1) << text;
    }
    // A CR ends no line: only LF does, as the encoder writes them.
    EXPECT_EQ(ThrownLine([] { XmlDecoder decoder("<a>\r\n\r<b>&c;</b></a>"); }),
        Refusal(u"118", u"Undefined entity '&c;' at line 2, column 5"));
}

TEST(XmlDecoderObject, MovesAndDecodesMoreThanOnce)
{
    XmlDecoder first("<a>1</a>");
    XmlDecoder second(std::move(first));
    XmlDecoder third("<b/>");
    third = std::move(second);
    std::unique_ptr<ServiceType> const once = third.DecodeTree(ScalarType<std::int32_t>(0, u"v"));
    std::unique_ptr<ServiceType> const twice = third.DecodeTree(ScalarType<std::int32_t>(0, u"v"));
    EXPECT_NE(once.get(), twice.get());
    EXPECT_EQ(dynamic_cast<ScalarType<std::int32_t> const&>(*twice).GetValueRef(), 1);
}

} // namespace

// ---- the readings that take the usual text where it stands ----

TEST(XmlDecoderTree, StartTagsOfEveryFormKeepTheirBytes)
{
    // No comment, CDATA or instruction: the bytes the parser replaced in start tags are the
    // ones noted while the text was judged, and the markup comes back from them alone.
    std::string const inner = "<a x='1'\ty=\"\" z = '&lt;'>t</a><b\n/><c />\r\n<d\t>u</d\t><e\nk=\"v\"\n/>";
    XmlDecoder const decoder("<m\n>\n  <x\t>" + inner + "</x>\n  <n\r\n>-7</n>\n</m>");
    std::unique_ptr<ServiceType> const prototype(
        Composite(u"m", {new XmlString(u"", u"x"), new ScalarType<std::int8_t>(0, u"n")}));
    std::unique_ptr<ServiceType> const tree = decoder.DecodeTree(*prototype);
    auto const& root = dynamic_cast<CompositeType const&>(*tree);
    EXPECT_EQ(dynamic_cast<XmlString const&>(**root.BeginIterator()).GetValueRef(),
        std::u16string(inner.begin(), inner.end()));
    EXPECT_EQ(dynamic_cast<ScalarType<std::int8_t> const&>(**(root.BeginIterator() + 1)).GetValueRef(), -7);
}

TEST(XmlDecoderTree, PlacesAfterReplacedLineEndsCountTheirLines)
{
    // Each name here is ended by a line end the parser replaced: the places of refusals
    // found while decoding, after the text itself is gone, still count those lines.
    std::string const text = "<m\n><k\n/><n\n>abc</n></m>";
    std::unique_ptr<ServiceType> const prototype(
        Composite(u"m", {new ScalarType<std::u16string>(u"", u"k"), new ScalarType<std::int32_t>(0, u"n")}));
    EXPECT_EQ(ThrownLine([&] { XmlDecoder(text).DecodeTree(*prototype); }),
        Refusal(u"134", u"Invalid INT32 value 'abc' in m/n at line 3, column 3"));
}

std::u16string Wide(std::string const& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

/// The number an element holding `content` decodes to, or the refusal.
template <class T> std::u16string DecodedNumber(std::string const& content)
{
    try {
        std::unique_ptr<ServiceType> const tree
            = XmlDecoder("<n>" + content + "</n>").DecodeTree(ScalarType<T>(T {}, u"n"));
        return Wide(std::to_string(dynamic_cast<ScalarType<T> const&>(*tree).GetValueRef()));
    } catch (Tarnwick::ServiceException const& exception) {
        return exception.ToString();
    }
}

TEST(XmlDecoderTree, IntegersAtTheEdgesOfTheirKinds)
{
    struct Row {
        std::string content;
        std::u16string int16;
        std::u16string uint8;
        std::u16string int64;
        std::u16string uint64;
    };
    auto const invalid = [](char const* kind, std::string const& text) {
        return Refusal(u"134", u"Invalid " + Wide(kind) + u" value '" + Wide(text) + u"' in n at line 1, column 1");
    };
    // Up to seven digits are read together, longer numbers one digit at a time, and texts with
    // references or comments as decoded text: every way gives the same answer.
    std::vector<Row> const rows = {
        {"0", u"0", u"0", u"0", u"0"},
        {"-0", u"0", invalid("UINT8", "-0"), u"0", invalid("UINT64", "-0")},
        {"007", u"7", u"7", u"7", u"7"},
        {"255", u"255", u"255", u"255", u"255"},
        {"256", u"256", invalid("UINT8", "256"), u"256", u"256"},
        {"-32768", u"-32768", invalid("UINT8", "-32768"), u"-32768", invalid("UINT64", "-32768")},
        {"32768", invalid("INT16", "32768"), invalid("UINT8", "32768"), u"32768", u"32768"},
        {"1234567", invalid("INT16", "1234567"), invalid("UINT8", "1234567"), u"1234567", u"1234567"},
        {"12345678", invalid("INT16", "12345678"), invalid("UINT8", "12345678"), u"12345678", u"12345678"},
        {"-9223372036854775808", invalid("INT16", "-9223372036854775808"), invalid("UINT8", "-9223372036854775808"),
            u"-9223372036854775808", invalid("UINT64", "-9223372036854775808")},
        {"9223372036854775808", invalid("INT16", "9223372036854775808"), invalid("UINT8", "9223372036854775808"),
            invalid("INT64", "9223372036854775808"), u"9223372036854775808"},
        {"18446744073709551615", invalid("INT16", "18446744073709551615"), invalid("UINT8", "18446744073709551615"),
            invalid("INT64", "18446744073709551615"), u"18446744073709551615"},
        {"18446744073709551616", invalid("INT16", "18446744073709551616"), invalid("UINT8", "18446744073709551616"),
            invalid("INT64", "18446744073709551616"), invalid("UINT64", "18446744073709551616")},
        {"000000000000000000000042", u"42", u"42", u"42", u"42"},
        {"1&#50;3", u"123", u"123", u"123", u"123"},
        {"1<!-- c -->2", u"12", u"12", u"12", u"12"},
        {"+1", invalid("INT16", "+1"), invalid("UINT8", "+1"), invalid("INT64", "+1"), invalid("UINT64", "+1")},
        {" 1", invalid("INT16", " 1"), invalid("UINT8", " 1"), invalid("INT64", " 1"), invalid("UINT64", " 1")},
        {"1 ", invalid("INT16", "1 "), invalid("UINT8", "1 "), invalid("INT64", "1 "), invalid("UINT64", "1 ")},
        {"", invalid("INT16", ""), invalid("UINT8", ""), invalid("INT64", ""), invalid("UINT64", "")},
        {"1.0", invalid("INT16", "1.0"), invalid("UINT8", "1.0"), invalid("INT64", "1.0"), invalid("UINT64", "1.0")},
    };
    for (Row const& row : rows) {
        SCOPED_TRACE(row.content);
        EXPECT_EQ(DecodedNumber<std::int16_t>(row.content), row.int16);
        EXPECT_EQ(DecodedNumber<std::uint8_t>(row.content), row.uint8);
        EXPECT_EQ(DecodedNumber<std::int64_t>(row.content), row.int64);
        EXPECT_EQ(DecodedNumber<std::uint64_t>(row.content), row.uint64);
    }
}

TEST(XmlDecoderTree, ItemsAmongCommentsAndTextAreReadTheSameWay)
{
    // Documents that hold more than elements take the general reading: comments between
    // items are skipped, text between them refused before a fault of an item.
    std::unique_ptr<ServiceType> const prototype(Sequence<std::int16_t>({}, u"s"));
    auto const read = [&](std::string const& text) {
        std::unique_ptr<ServiceType> const tree = XmlDecoder(text).DecodeTree(*prototype);
        return dynamic_cast<SequenceType<std::int16_t> const&>(*tree).GetValue();
    };
    EXPECT_EQ(read("<s><item>1</item><!-- c --><item>-2</item><?p?></s>"), (std::vector<std::int16_t> {1, -2}));
    EXPECT_EQ(read("<s>\n  <item>1</item>\n  <item>-2</item>\n</s>"), (std::vector<std::int16_t> {1, -2}));
    EXPECT_EQ(ThrownLine([&] { read("<s><item>x</item>text<item>2</item></s>"); }),
        Refusal(u"137", u"Unexpected text in s at line 1, column 1"));
    EXPECT_EQ(ThrownLine([&] { read("<s><item>x</item><item>2</item></s>"); }),
        Refusal(u"134", u"Invalid INT16 value 'x' in s/item at line 1, column 4"));
}
