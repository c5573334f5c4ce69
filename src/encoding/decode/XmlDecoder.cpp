#include <tarnwick/encoding/XmlDecoder.h>

#include "encoding/decode/DecoderFailures.h"
#include "encoding/decode/ElementSource.h"
#include "encoding/decode/SchemaForms.h"
#include "encoding/decode/ElementPath.h"
#include "encoding/decode/TreeReader.h"
#include "encoding/decode/XmlDocument.h"

#include <tarnwick/datatypes/ServiceType.h>
#include <tarnwick/encoding/ServiceMessage.h>
#include <tarnwick/stubproxy/UserParameters.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <istream>
#include <limits>
#include <string>
#include <utility>

namespace Tarnwick::Encoding {

using namespace Detail;

namespace {

/// The header attributes in the order the encoder writes them.
constexpr std::array<char const*, 8> kHeaderAttributes = {"MsgType", "MsgCorrelationId", "MsgOrderId", "SessionId",
    "ConsumerAddress", "ProducerAddress", "OperationName", "ParametersTypeName"};

/// The eight header fields as read, before they go into a message.
struct Header {
    std::uint32_t numbers[4] = {};
    std::u16string texts[4];
};

/// The root's attributes by header field, and the first attribute that is none of them.
struct HeaderAttributes {
    std::array<pugi::xml_attribute, kHeaderAttributes.size()> fields;
    pugi::xml_attribute unknown;
};

/// One pass over the root's attributes. The encoder writes the eight in order, so the
/// name after the last one matched is tried first. The parse has refused repeated names.
HeaderAttributes FindHeaderAttributes(pugi::xml_node root)
{
    HeaderAttributes found;
    std::size_t next = 0;
    for (pugi::xml_attribute attribute = root.first_attribute(); attribute; attribute = attribute.next_attribute()) {
        char const* const name = attribute.name();
        std::size_t field = next;
        if (field == kHeaderAttributes.size() || std::strcmp(name, kHeaderAttributes[field]) != 0) {
            field = 0;
            while (field < kHeaderAttributes.size() && std::strcmp(name, kHeaderAttributes[field]) != 0) {
                ++field;
            }
        }
        if (field == kHeaderAttributes.size()) {
            found.unknown = found.unknown ? found.unknown : attribute;
            continue;
        }
        found.fields[field] = attribute;
        next = field + 1;
    }
    return found;
}

} // namespace

struct XmlDecoder::Document {
    /// `Text` is a view of the caller's text, or a text read from a stream that the document keeps.
    template <class Text>
    Document(Text&& text, XmlDecoderLimits const& limits)
        : xml(std::forward<Text>(text), limits)
        , limits(limits)
    {
        // What every Decode call asks first, found once.
        if (std::strcmp(xml.Root().name(), "msg") == 0) {
            header = FindHeaderAttributes(xml.Root());
            message = std::all_of(
                header.fields.begin(), header.fields.end(), [](pugi::xml_attribute a) { return !a.empty(); });
        }
    }

    XmlDocument xml;
    /// The tolerant reading options among them apply to every Decode call.
    XmlDecoderLimits limits;
    /// The root's attributes by header field, when the root is a `msg` element.
    HeaderAttributes header;
    /// True when the root is a `msg` element carrying the eight header attributes.
    bool message = false;
};

namespace {

/// The stream to its end, refusing more than `limit` bytes after reading at most one more.
std::string ReadAll(std::istream& in, std::size_t limit)
{
    std::string text;
    std::size_t const most = limit == std::numeric_limits<std::size_t>::max() ? limit : limit + 1;
    // A stream that can tell its length (a file, a string) is read into a text of that
    // size, not one grown by doubling to up to twice as much. The stream is left as it was.
    if (std::streampos const here = in.good() ? in.tellg() : std::streampos(-1); here != std::streampos(-1)) {
        std::streamoff const left = in.seekg(0, std::ios_base::end) ? in.tellg() - here : std::streamoff(0);
        in.clear();
        in.seekg(here);
        if (left > 0) {
            text.reserve(std::min(static_cast<std::size_t>(left), most));
        }
    }
    char chunk[65536];
    while (text.size() < most) {
        auto const want = static_cast<std::streamsize>(std::min(sizeof chunk, most - text.size()));
        if (!in.read(chunk, want) && in.gcount() == 0) {
            break;
        }
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    if (text.size() > limit) {
        RaiseTextTooLong(limit);
    }
    if (in.bad()) {
        RaiseDecoder(u"The stream could not be read", kStreamUnreadableLine);
    }
    return text;
}

/// A header number: unsigned decimal, read where it stands when it is digits alone.
bool ReadHeaderNumber(XmlDocument const& xml, XmlDecoderLimits const& limits, pugi::xml_attribute attribute,
    std::uint32_t& number, std::u16string& value)
{
    std::string_view const raw = attribute.value();
    if (!raw.empty() && std::all_of(raw.begin(), raw.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        auto const [end, error] = std::from_chars(raw.data(), raw.data() + raw.size(), number);
        if (error == std::errc() && end == raw.data() + raw.size()) {
            return true;
        }
    }
    value = xml.Value(attribute);
    std::string narrow(value.begin(), value.end());
    auto const [end, error] = std::from_chars(narrow.data(), narrow.data() + narrow.size(), number);
    bool const ascii = std::all_of(value.begin(), value.end(), [](char16_t unit) { return unit < 0x80; });
    bool const read = (error == std::errc() && end == narrow.data() + narrow.size())
        || (limits.AcceptSchemaForms && ParseSchemaInteger(TrimXmlSpace(narrow), number));
    return ascii && read;
}

Header ReadHeader(XmlDocument const& xml, XmlDecoderLimits const& limits, HeaderAttributes const& found)
{
    pugi::xml_node const root = xml.Root();
    if (std::strcmp(root.name(), "msg") != 0) {
        xml.Fail(u"Not a message: the root element is not 'msg'", {}, kNotMessageLine, xml.StartOf(root));
    }
    if (found.unknown && !limits.IgnoreUnknownElements) {
        xml.Fail(u"Unexpected attribute " + Quote(std::string_view(found.unknown.name())), u"msg",
            kUnexpectedAttributeLine, xml.StartOf(found.unknown));
    }
    Header header;
    for (std::size_t i = 0; i < kHeaderAttributes.size(); ++i) {
        pugi::xml_attribute const attribute = found.fields[i];
        if (!attribute) {
            xml.Fail(u"Missing header attribute '" + MessageText(kHeaderAttributes[i]) + u"'", {}, kMissingHeaderLine,
                xml.StartOf(root));
        }
        if (i >= 4) {
            header.texts[i - 4] = xml.Value(attribute);
            continue;
        }
        // The message type travels as its low 8 bits.
        std::u16string value;
        std::uint32_t number = 0;
        if (!ReadHeaderNumber(xml, limits, attribute, number, value) || (i == 0 && number > 0xFF)) {
            if (value.empty()) {
                value = xml.Value(attribute);
            }
            xml.Fail(
                u"Invalid value " + Quote(value) + u" of header attribute '" + MessageText(kHeaderAttributes[i]) + u"'",
                {}, kHeaderValueLine, xml.StartOf(attribute));
        }
        header.numbers[i] = number;
    }
    return header;
}

/// Moves the fields into `message`; nothing here raises.
void Commit(Header& header, ServiceMessage& message) noexcept
{
    message.SetMsgType(static_cast<std::int32_t>(header.numbers[0]));
    message.SetMsgCorrelationId(header.numbers[1]);
    message.SetMsgOrderId(header.numbers[2]);
    message.SetSessionId(header.numbers[3]);
    message.SetConsumerAddress(std::move(header.texts[0]));
    message.SetProducerAddress(std::move(header.texts[1]));
    message.SetOperationName(std::move(header.texts[2]));
    message.SetParametersTypeName(std::move(header.texts[3]));
}

/// The parameter element: the one child element of a message, or the root of a bare tree.
pugi::xml_node ParameterElement(XmlDocument const& xml, bool message)
{
    pugi::xml_node const root = xml.Root();
    if (!message) {
        return root;
    }
    if (xml.HasText(root)) {
        xml.Fail(u"Unexpected text", u"msg", kUnexpectedTextLine, xml.StartOf(root));
    }
    pugi::xml_node parameter;
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) {
            continue;
        }
        if (parameter) {
            xml.Fail(u"More than one parameter element", u"msg", kSecondParameterLine, xml.StartOf(child));
        }
        parameter = child;
    }
    return parameter;
}

/// Reads the tree of `element` in the shape `value` stores, then gives it to
/// `value`: first to a copy, so that an InitFrom failing half way changes nothing,
/// unless the value object's own InitFrom promises that. A value object that reads
/// the elements directly, as records do, reads the encoder's usual text without the
/// tree; whatever it does not read, it leaves unchanged to the tree's reading, which
/// accepts or refuses it as before.
void InitFromElement(
    XmlDocument const& xml, XmlDecoderLimits const& limits, pugi::xml_node element, StubProxy::UserParameters& value)
{
    if (ElementSource::Applies(xml, element, limits)) {
        ElementSource source(xml, element);
        if (value.ReadFrom(source)) {
            return;
        }
    }
    std::u16string const name = xml.Name(element);
    std::unique_ptr<DataTypes::ServiceType> const prototype(value.StoreTo(name.c_str()));
    if (!prototype) {
        xml.Fail(u"The value object stores no tree", ElementPath(xml, element, element), kUndecodablePrototypeLine,
            xml.StartOf(element));
    }
    std::unique_ptr<DataTypes::ServiceType> const tree
        = TreeReader(xml, element, limits).Read(element, prototype.get());
    if (value.InitFromIsAtomic()) {
        value.InitFrom(tree.get());
        return;
    }
    std::unique_ptr<StubProxy::UserParameters> const trial(value.Copy());
    if (trial) {
        trial->InitFrom(tree.get());
    }
    value.InitFrom(tree.get());
}

} // namespace

XmlDecoder::XmlDecoder(std::string_view text)
    : XmlDecoder(text, XmlDecoderLimits {})
{ }

XmlDecoder::XmlDecoder(std::string_view text, XmlDecoderLimits const& limits)
{
    // Refused before anything is copied.
    if (text.size() > limits.MaxTextBytes) {
        RaiseTextTooLong(limits.MaxTextBytes);
    }
    m_Document = std::make_unique<Document>(text, limits);
}

XmlDecoder::XmlDecoder(std::istream& in)
    : XmlDecoder(in, XmlDecoderLimits {})
{ }

XmlDecoder::XmlDecoder(std::istream& in, XmlDecoderLimits const& limits)
{
    m_Document = std::make_unique<Document>(ReadAll(in, limits.MaxTextBytes), limits);
}

XmlDecoder::XmlDecoder(XmlDecoder&& other) noexcept = default;
XmlDecoder& XmlDecoder::operator=(XmlDecoder&& other) noexcept = default;
XmlDecoder::~XmlDecoder() = default;

bool XmlDecoder::IsMessage() const
{
    return m_Document->message;
}

void XmlDecoder::DecodeHeader(ServiceMessage& message) const
{
    Header header = ReadHeader(m_Document->xml, m_Document->limits, m_Document->header);
    Commit(header, message);
}

std::unique_ptr<DataTypes::ServiceType> XmlDecoder::DecodeTree() const
{
    XmlDocument const& xml = m_Document->xml;
    pugi::xml_node const element = ParameterElement(xml, m_Document->message);
    if (!element) {
        return nullptr;
    }
    // Without a prototype nothing is unknown or missing; values may still take the schema's forms.
    XmlDecoderLimits free;
    free.AcceptSchemaForms = m_Document->limits.AcceptSchemaForms;
    return TreeReader(xml, element, free).Read(element, nullptr);
}

std::unique_ptr<DataTypes::ServiceType> XmlDecoder::DecodeTree(DataTypes::ServiceType const& prototype) const
{
    XmlDocument const& xml = m_Document->xml;
    pugi::xml_node const element = ParameterElement(xml, m_Document->message);
    if (!element) {
        return nullptr;
    }
    return TreeReader(xml, element, m_Document->limits).Read(element, &prototype);
}

void XmlDecoder::DecodeInto(StubProxy::UserParameters& value) const
{
    XmlDocument const& xml = m_Document->xml;
    pugi::xml_node const element = ParameterElement(xml, m_Document->message);
    if (element) {
        InitFromElement(xml, m_Document->limits, element, value);
    }
}

void XmlDecoder::DecodeMessage(ServiceMessage& message) const
{
    XmlDocument const& xml = m_Document->xml;
    Header header = ReadHeader(xml, m_Document->limits, m_Document->header);
    pugi::xml_node const element = ParameterElement(xml, m_Document->message);
    StubProxy::UserParameters* const payload = message.GetParameters();
    if (payload != nullptr && element) {
        InitFromElement(xml, m_Document->limits, element, *payload);
    }
    Commit(header, message);
}

} // namespace Tarnwick::Encoding
