#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/datatypes/ParamType.h>

#include <cstdint>
#include <iosfwd>
#include <string>

namespace Tarnwick {
class ServiceMessage;
}
namespace Tarnwick::DataTypes {
class DictionaryType;
class ServiceType;
class XmlString;
} // namespace Tarnwick::DataTypes

namespace Tarnwick::Encoding {

/// Writes a service message as UTF-8 XML: `EncodeHeader`, then `Encode` of the
/// parameter tree, then `AppendFooter`, on one stream. Stateless; it only reads
/// the tree and only appends to the stream. Every line end is one LF followed by
/// a flush. Text is written unformatted; numbers by the stream's formatted
/// insertion, so its flags, precision, pending width and locale apply to them
/// (BOOLEAN prints the fixed words "true"/"false", DOUBLE 15 digits). On a
/// failure, whatever was written before it stays in the stream.
class TARNWICK_EXPORT XmlEncoder {
public:
    /// Objects carry no state; every operation is static.
    /// @{
    XmlEncoder() = default;
    XmlEncoder(XmlEncoder const&) = default;
    /// @}
    /// There is nothing to assign.
    XmlEncoder& operator=(XmlEncoder const&) noexcept { return *this; }

    /// The XML declaration and the `msg` start tag with the eight header attributes, eleven lines.
    static void EncodeHeader(std::ostream& out, ServiceMessage const* message);
    /// The element of `node` and everything below it. Throws "Unsupported data
    /// type" (line 321) for a kind it cannot write (and a null node), "Unsupported
    /// data type within AnyType" (line 552) for an any-type wrapping such a kind or nothing.
    static void Encode(std::ostream& out, DataTypes::ServiceType const* node, std::int32_t indent);
    /// Encodes into a fresh default-formatted stream, then replaces `text`; on failure `text` is unchanged.
    static void Encode(std::string& text, DataTypes::ServiceType const* node, std::int32_t indent);
    /// "</msg>", with no line end.
    static void AppendFooter(std::ostream& out);
    /// A whole message in one call: exactly the bytes of `EncodeHeader(out,
    /// &header)`, `Encode(out, tree, indent)` and `AppendFooter(out)`, or of the
    /// header and the footer alone when `tree` is null. Every line end is
    /// flushed as by the three calls. Raises what `Encode` raises, with
    /// whatever was written before the failure left in the stream.
    static void EncodeMessage(
        std::ostream& out, ServiceMessage const& header, DataTypes::ServiceType const* tree, std::int32_t indent);
    /// The same message into a fresh default-formatted stream, which then
    /// replaces `text`; on failure `text` is unchanged. The fast way to a file
    /// or a socket: the lines are flushed into memory at no cost, and the text
    /// then goes out in one write, where a file stream would get one `write`
    /// call per line.
    static void EncodeMessage(
        std::string& text, ServiceMessage const& header, DataTypes::ServiceType const* tree, std::int32_t indent);
    /// The fragment as raw markup in UTF-8, unescaped.
    static void EncodeXml(std::ostream& out, DataTypes::XmlString const* node);
    /// The UTF-8 form of one code unit; a lone surrogate gives U+FFFD, the unit 0 nothing.
    static void UCS2ToUTF8(std::ostream& out, char16_t unit);
    /// The name of the `type` attribute of an any-type element ("int32", "string_seq"...);
    /// throws "Unsupported data type within AnyType" (line 552) for codes without one.
    static std::string GetStrType(DataTypes::ParamType type);

    /// Items of key and `value` elements; keys and values are primitive sequences.
    static void EncodeDictionary(std::ostream& out, DataTypes::DictionaryType const* dictionary, std::int32_t indent);
    /// Items of a key and an any-type element encoded at indent 0. Throws "Dictionary
    /// has fewer values than keys" (line 617) after the complete items when values run out.
    static void EncodeAnyTypeDictionary(
        std::ostream& out, DataTypes::DictionaryType const* dictionary, std::int32_t indent);
    /// Items of a key and a composite element at indent + 2. Throws "Dictionary has
    /// fewer values than keys" (line 617) after the complete items when values run out.
    static void EncodeCompositeTypeDictionary(
        std::ostream& out, DataTypes::DictionaryType const* dictionary, std::int32_t indent);
};

} // namespace Tarnwick::Encoding
