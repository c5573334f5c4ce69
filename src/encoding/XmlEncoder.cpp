#include <tarnwick/encoding/XmlEncoder.h>

#include "encoding/Failures.h"
#include "encoding/NodeAccess.h"
#include "encoding/XmlWriter.h"

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/datatypes/AnyTypeSequenceType.h>
#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeSequenceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/DictionaryType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>
#include <tarnwick/datatypes/TimeDurationSequenceType.h>
#include <tarnwick/datatypes/TimeDurationServiceType.h>
#include <tarnwick/datatypes/TimeStampSequenceType.h>
#include <tarnwick/datatypes/TimeStampServiceType.h>
#include <tarnwick/datatypes/XmlString.h>
#include <tarnwick/encoding/ServiceMessage.h>

#include <array>
#include <memory>
#include <sstream>
#include <string_view>
#include <type_traits>
#include <vector>

namespace Tarnwick::Encoding {

namespace {

using namespace DataTypes;
using Detail::WriteTo;
using Detail::XmlWriter;

constexpr char const* kSource = "Tarnwick::Encoding::XmlEncoder";
// The line numbers are part of the exceptions' interface.
constexpr std::int32_t kUnsupportedDataTypeLine = 321;
constexpr std::int32_t kUnsupportedInAnyTypeLine = 552;
constexpr std::int32_t kFewerValuesLine = 617;

[[noreturn]] void RaiseUnsupportedDataType()
{
    throw ServiceException(u"Unsupported data type", kSource, kUnsupportedDataTypeLine);
}

[[noreturn]] void RaiseUnsupportedInAnyType()
{
    throw ServiceException(u"Unsupported data type within AnyType", kSource, kUnsupportedInAnyTypeLine);
}

[[noreturn]] void RaiseFewerValues()
{
    throw ServiceException(u"Dictionary has fewer values than keys", kSource, kFewerValuesLine);
}

std::string_view StrType(ParamType type)
{
    auto const index = static_cast<std::uint32_t>(type);
    if (index >= Detail::kStrTypes.size() || Detail::kStrTypes[index].empty()) {
        RaiseUnsupportedInAnyType();
    }
    return Detail::kStrTypes[index];
}

void EncodeNode(XmlWriter& writer, ServiceType const* node, std::int32_t indent);

/// `node` as the class its code names; any other class cannot be encoded.
template <class Node> Node const& As(ServiceType const* node)
{
    return Detail::As<Node>(node, RaiseUnsupportedDataType);
}

/// The item lines of a primitive sequence.
template <class T> void EncodeSequence(XmlWriter& writer, std::vector<T> const& elements, std::int32_t indent)
{
    for (auto&& element : elements) {
        writer.Item(indent, element);
    }
}

/// The text of a primitive scalar: strings escaped, numbers in the stream's format.
template <class T> void EncodeScalar(XmlWriter& writer, T const& value)
{
    if constexpr (std::is_same_v<T, std::u16string>) {
        writer.Escaped(value);
    } else {
        writer.Value(value);
    }
}

void OpenItem(XmlWriter& writer, std::int32_t indent)
{
    writer.Spaces(indent);
    writer.Put("<item>");
    writer.EndLine();
}

void CloseItem(XmlWriter& writer, std::int32_t indent)
{
    writer.Spaces(indent);
    writer.Put("</item>");
    writer.EndLine();
}

/// The elements of a primitive sequence node, written one by one in their leaf
/// format into the writer itself: what `XmlSequenceWrapper` writes to the
/// stream, the same checks and the same failures (a node that is no primitive
/// sequence raises, an element past the end throws std::out_of_range).
class SequenceCursor {
public:
    explicit SequenceCursor(ServiceType const* sequence)
    {
        if (sequence == nullptr) {
            Detail::RaiseRequiresSequence();
        }
        bool const primitive = Detail::VisitPrimitiveSequence(sequence->GetType(), [&]<class T>() {
            m_Elements = Detail::As<SequenceType<T>>(sequence, Detail::RaiseRequiresSequence).GetValuePtr();
            m_Write = [](XmlWriter& writer, void const* elements, std::size_t index) {
                writer.Value(static_cast<std::vector<T> const*>(elements)->at(index));
            };
        });
        if (!primitive) {
            Detail::RaiseRequiresSequence();
        }
    }
    /// `indent` spaces, `open`, the next element and `close` on one line.
    void Line(XmlWriter& writer, std::int32_t indent, std::string_view open, std::string_view close)
    {
        writer.Spaces(indent);
        writer.Put(open);
        m_Write(writer, m_Elements, m_Next++);
        writer.Put(close);
        writer.EndLine();
    }

private:
    void const* m_Elements = nullptr;
    void (*m_Write)(XmlWriter&, void const*, std::size_t) = nullptr;
    std::size_t m_Next = 0;
};

void WritePrimitiveDictionary(XmlWriter& writer, DictionaryType const* dictionary, std::int32_t indent)
{
    std::uint32_t const count = dictionary->Size();
    SequenceCursor keys(dictionary->GetKeys());
    SequenceCursor values(dictionary->GetValues());
    for (std::uint32_t i = 0; i < count; ++i) {
        OpenItem(writer, indent);
        keys.Line(writer, indent + 2, "<key>", "</key>");
        values.Line(writer, indent + 2, "<value>", "</value>");
        CloseItem(writer, indent);
    }
}

/// Items of a key and a node of the values sequence, written by `encodeValue`; values
/// missing for some keys raise after the complete items.
template <class Sequence, class EncodeValue>
void WriteNodeDictionary(
    XmlWriter& writer, DictionaryType const* dictionary, std::int32_t indent, EncodeValue encodeValue)
{
    std::uint32_t const count = dictionary->Size();
    SequenceCursor keys(dictionary->GetKeys());
    auto const* values = dynamic_cast<Sequence const*>(dictionary->GetValues());
    if (values == nullptr) {
        Detail::RaiseRequiresSequence();
    }
    auto value = values->BeginIterator();
    for (std::uint32_t i = 0; i < count; ++i, ++value) {
        if (value == values->EndIterator()) {
            RaiseFewerValues();
        }
        OpenItem(writer, indent);
        keys.Line(writer, indent + 2, "<key>", "</key>");
        encodeValue(*value);
        CloseItem(writer, indent);
    }
}

void WriteAnyTypeDictionary(XmlWriter& writer, DictionaryType const* dictionary, std::int32_t indent)
{
    WriteNodeDictionary<AnyTypeSequenceType>(writer, dictionary, indent, [&](ServiceType const* value) {
        writer.Spaces(indent + 2);
        EncodeNode(writer, value, 0);
    });
}

void WriteCompositeTypeDictionary(XmlWriter& writer, DictionaryType const* dictionary, std::int32_t indent)
{
    WriteNodeDictionary<CompositeSequenceType>(
        writer, dictionary, indent, [&](ServiceType const* value) { EncodeNode(writer, value, indent + 2); });
}

void EncodeContent(XmlWriter& writer, ServiceType const* value, ParamType type, std::int32_t indent)
{
    switch (type) {
    case COMPOSITE: {
        auto const& composite = As<CompositeType>(value);
        for (auto child = composite.BeginIterator(); child != composite.EndIterator(); ++child) {
            EncodeNode(writer, *child, indent + 2);
        }
        return;
    }
    case XML_STRING:
        writer.Raw(As<XmlString>(value).GetValueRef());
        return;
    case TIME_STAMP:
        writer.Value(As<TimeStampServiceType>(value).GetValueRef());
        return;
    case TIME_DURATION:
        writer.Value(As<TimeDurationServiceType>(value).GetValueRef());
        return;
    case TIME_STAMP_SEQUENCE:
        EncodeSequence(writer, As<TimeStampSequenceType>(value).GetValue(), indent + 2);
        return;
    case TIME_DURATION_SEQUENCE:
        EncodeSequence(writer, As<TimeDurationSequenceType>(value).GetValue(), indent + 2);
        return;
    case COMPOSITE_SEQUENCE: {
        auto const& sequence = As<CompositeSequenceType>(value);
        for (auto item = sequence.BeginIterator(); item != sequence.EndIterator(); ++item) {
            EncodeNode(writer, *item, indent + 2);
        }
        return;
    }
    case DICTIONARY: {
        auto const* dictionary = &As<DictionaryType>(value);
        ServiceType const* values = dictionary->GetValues();
        if (values == nullptr) {
            Detail::RaiseRequiresSequence();
        }
        switch (values->GetType()) {
        case COMPOSITE_SEQUENCE:
            WriteCompositeTypeDictionary(writer, dictionary, indent + 2);
            return;
        case ANY_TYPE_SEQUENCE:
            WriteAnyTypeDictionary(writer, dictionary, indent + 2);
            return;
        default:
            WritePrimitiveDictionary(writer, dictionary, indent + 2);
            return;
        }
    }
    default:
        break;
    }
    bool const primitive
        = Detail::VisitPrimitive(type, [&]<class T>() { EncodeScalar(writer, As<ScalarType<T>>(value).GetValueRef()); })
        || Detail::VisitPrimitiveSequence(
            type, [&]<class T>() { EncodeSequence(writer, As<SequenceType<T>>(value).GetValue(), indent + 2); });
    if (!primitive) {
        RaiseUnsupportedDataType();
    }
}

void EncodeNode(XmlWriter& writer, ServiceType const* node, std::int32_t indent)
{
    if (node == nullptr) {
        RaiseUnsupportedDataType();
    }
    writer.Spaces(indent);
    std::u16string const& name = node->GetParamNameRef();
    ServiceType const* value = node;
    ParamType type = node->GetType();
    if (type == ANY_TYPE) {
        // The element keeps the wrapper's name but shows and holds the wrapped value.
        value = As<AnyTypeServiceType>(node).GetValue();
        if (value == nullptr) {
            RaiseUnsupportedInAnyType();
        }
        type = value->GetType();
        std::string_view const typeName = StrType(type);
        writer.Tag(0, XmlWriter::Mark("<"), name, XmlWriter::Mark(" type='"));
        writer.Put(typeName);
        writer.Put("'>");
    } else {
        writer.Tag(0, XmlWriter::Mark("<"), name, XmlWriter::Mark(">"));
    }
    bool const leaf = value->IsLeaf();
    if (!leaf) {
        writer.EndLine();
    }
    EncodeContent(writer, value, type, indent);
    writer.Tag(leaf ? 0 : indent, XmlWriter::Mark("</"), name, XmlWriter::Mark(">\n"));
    writer.LineEnded();
}

/// One header attribute line: two spaces, name="value".
template <class Value> void Attribute(XmlWriter& writer, std::string_view name, Value const& value)
{
    writer.Put("  ");
    writer.Put(name);
    writer.Put("=\"");
    if constexpr (std::is_same_v<Value, std::u16string>) {
        writer.Escaped(value);
    } else {
        writer.Integer(value);
    }
    writer.Put('"');
    writer.EndLine();
}

/// The XML declaration and the `msg` start tag, each line ended and flushed.
void WriteHeader(XmlWriter& writer, ServiceMessage const* message)
{
    writer.Put("<?xml version=\"1.0\" encoding=\"utf-8\" ?>");
    writer.EndLine();
    writer.Put("<msg");
    writer.EndLine();
    // The message type travels as its low 8 bits.
    Attribute(writer, "MsgType", static_cast<std::uint16_t>(static_cast<std::uint8_t>(message->GetMsgType())));
    Attribute(writer, "MsgCorrelationId", message->GetMsgCorrelationId());
    Attribute(writer, "MsgOrderId", message->GetMsgOrderId());
    Attribute(writer, "SessionId", message->GetSessionId());
    Attribute(writer, "ConsumerAddress", message->GetConsumerAddress());
    Attribute(writer, "ProducerAddress", message->GetProducerAddress());
    Attribute(writer, "OperationName", message->GetOperationName());
    Attribute(writer, "ParametersTypeName", message->GetParametersTypeName());
    writer.Put('>');
    writer.EndLine();
}

constexpr std::string_view kFooter = "</msg>";

} // namespace

void XmlEncoder::EncodeHeader(std::ostream& out, ServiceMessage const* message)
{
    XmlWriter writer(out);
    WriteHeader(writer, message);
}

void XmlEncoder::Encode(std::ostream& out, ServiceType const* node, std::int32_t indent)
{
    WriteTo(out, [&](XmlWriter& writer) { EncodeNode(writer, node, indent); });
}

void XmlEncoder::Encode(std::string& text, ServiceType const* node, std::int32_t indent)
{
    std::ostringstream out;
    Encode(out, node, indent);
    text = std::move(out).str();
}

void XmlEncoder::AppendFooter(std::ostream& out)
{
    out.write(kFooter.data(), static_cast<std::streamsize>(kFooter.size()));
}

void XmlEncoder::EncodeMessage(
    std::ostream& out, ServiceMessage const& header, ServiceType const* tree, std::int32_t indent)
{
    WriteTo(out, [&](XmlWriter& writer) {
        WriteHeader(writer, &header);
        if (tree != nullptr) {
            EncodeNode(writer, tree, indent);
        }
        writer.Put(kFooter);
    });
}

void XmlEncoder::EncodeMessage(
    std::string& text, ServiceMessage const& header, ServiceType const* tree, std::int32_t indent)
{
    // A string stream's flush does nothing, so the lines cost no system call.
    std::ostringstream out;
    EncodeMessage(out, header, tree, indent);
    text = std::move(out).str();
}

void XmlEncoder::EncodeXml(std::ostream& out, XmlString const* node)
{
    WriteTo(out, [&](XmlWriter& writer) { writer.Raw(node->GetValueRef()); });
}

void XmlEncoder::UCS2ToUTF8(std::ostream& out, char16_t unit)
{
    if (unit == 0) {
        return;
    }
    char bytes[4];
    // A single surrogate unit is never a whole character: it gives U+FFFD.
    char32_t const codePoint = Tarnwick::Detail::IsSurrogate(unit) ? Tarnwick::Detail::kLoneSurrogate : unit;
    out.write(bytes, static_cast<std::streamsize>(Tarnwick::Detail::EncodeUtf8(codePoint, bytes)));
}

std::string XmlEncoder::GetStrType(ParamType type)
{
    return std::string(StrType(type));
}

void XmlEncoder::EncodeDictionary(std::ostream& out, DictionaryType const* dictionary, std::int32_t indent)
{
    WriteTo(out, [&](XmlWriter& writer) { WritePrimitiveDictionary(writer, dictionary, indent); });
}

void XmlEncoder::EncodeAnyTypeDictionary(std::ostream& out, DictionaryType const* dictionary, std::int32_t indent)
{
    WriteTo(out, [&](XmlWriter& writer) { WriteAnyTypeDictionary(writer, dictionary, indent); });
}

void XmlEncoder::EncodeCompositeTypeDictionary(std::ostream& out, DictionaryType const* dictionary, std::int32_t indent)
{
    WriteTo(out, [&](XmlWriter& writer) { WriteCompositeTypeDictionary(writer, dictionary, indent); });
}

} // namespace Tarnwick::Encoding
