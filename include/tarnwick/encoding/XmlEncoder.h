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

/// What the encoder writes beyond the documented bytes, chosen by the sender. The
/// defaults (all off) give the documented text, the wire format of existing peers;
/// `Standard()` gives text that every conforming XML 1.0 parser reads back to the
/// same names and values. Readers of this library read both.
struct TARNWICK_EXPORT XmlEncoderOptions {
    /// FLOAT and DOUBLE values (scalars, sequence items, dictionary keys and values) in
    /// the shortest text that reads back to the same bits (`0.1`, `1e+300`, `5e-324`,
    /// `-0`), whatever the stream's precision, flags and locale; `inf`, `-inf` and `nan`
    /// as in the documented text.
    bool RoundTripNumbers = false;
    /// Tab, LF and CR in header attribute values as `&#9;`, `&#10;` and `&#13;`, and CR
    /// in element text as `&#13;`, where a parser would otherwise normalise them.
    /// XML fragments stay raw markup.
    bool ReferenceWhitespace = false;
    /// Refuses what XML 1.0 cannot carry instead of writing it: in any text (XML
    /// fragments included) the unit 0 and the other control characters except tab, LF and
    /// CR, U+FFFE, U+FFFF and lone surrogates (lines 701, 702); an element name that is not
    /// an XML name without a colon (line 703); a `MsgType` outside 0..255 (line 704).
    /// Names follow XML 1.0's current rules; parsers that keep the older ones (Python's
    /// ElementTree for one) refuse some names these allow, such as names holding
    /// characters beyond U+FFFF.
    bool RefuseNonXml = false;
    /// All three on: the profile for peers that read the text with a standard XML parser.
    static XmlEncoderOptions Standard() noexcept;
};

/// Writes a service message as UTF-8 XML: `EncodeHeader`, then `Encode` of the
/// parameter tree, then `AppendFooter`, on one stream. Stateless; it only reads
/// the tree and only appends to the stream. Every line end is one LF followed by
/// a flush. Text is written unformatted; numbers by the stream's formatted
/// insertion, so its flags, precision, pending width and locale apply to them
/// (BOOLEAN prints the fixed words "true"/"false", DOUBLE 15 digits). On a
/// failure, whatever was written before it stays in the stream.
///
/// Trees are walked without recursion, so any depth is encoded; the output grows with
/// the square of the depth through the indentation (a negative indent deep enough
/// writes none).
///
/// Refusals of `XmlEncoderOptions::RefuseNonXml` raise a `ServiceException` from
/// "Tarnwick::Encoding::XmlEncoder"; the offending unit is never written, what came
/// before it stays as with every failure. PATH is the element names from the encoded
/// element down, joined by '/' ("request/tags/item", "request/stock/item/key"); each
/// name is cut to at most 40 bytes of UTF-8 at a character boundary and then marked
/// with "…", and a path of more than 16 names shows its first and last 8 around "…".
///
/// | line | message |
/// |---|---|
/// | 701 | `Character U+0007 not allowed in XML in PATH` (element text or an XML fragment) |
/// | 702 | `Character U+0007 not allowed in XML in header attribute OperationName` |
/// | 703 | `Element name not an XML name in PATH: U+0031 cannot start a name`, `...: U+003A cannot stand in a name`,
/// `...: the name is empty` (PATH ends with that name) | | 704 | `MsgType 300 outside 0..255` |
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
    /// The same with `options`; may refuse (lines 702, 704) after the lines before the fault.
    static void EncodeHeader(std::ostream& out, ServiceMessage const* message, XmlEncoderOptions const& options);
    /// The element of `node` and everything below it. Throws "Unsupported data
    /// type" (line 321) for a kind it cannot write (and a null node), "Unsupported
    /// data type within AnyType" (line 552) for an any-type wrapping such a kind or nothing.
    static void Encode(std::ostream& out, DataTypes::ServiceType const* node, std::int32_t indent);
    /// Encodes into a fresh default-formatted stream, then replaces `text`; on failure `text` is unchanged.
    static void Encode(std::string& text, DataTypes::ServiceType const* node, std::int32_t indent);
    /// `Encode` with `options`; default options give exactly the bytes of the overload without.
    static void Encode(
        std::ostream& out, DataTypes::ServiceType const* node, std::int32_t indent, XmlEncoderOptions const& options);
    /// `Encode` into `text` with `options`; on failure, refusals included, `text` is unchanged.
    static void Encode(
        std::string& text, DataTypes::ServiceType const* node, std::int32_t indent, XmlEncoderOptions const& options);
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
    /// The whole message with `options` into `out`, as `EncodeHeader`, `Encode` and
    /// `AppendFooter` with those options would write it.
    static void EncodeMessage(std::ostream& out, ServiceMessage const& header, DataTypes::ServiceType const* tree,
        std::int32_t indent, XmlEncoderOptions const& options);
    /// The whole message with `options` into `text`; on failure, refusals included, `text` is unchanged.
    static void EncodeMessage(std::string& text, ServiceMessage const& header, DataTypes::ServiceType const* tree,
        std::int32_t indent, XmlEncoderOptions const& options);
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
