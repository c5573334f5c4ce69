#pragma once

#include <tarnwick/core/Export.h>

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string_view>

namespace Tarnwick {
class ServiceMessage;
}
namespace Tarnwick::DataTypes {
class ServiceType;
}
namespace Tarnwick::StubProxy {
class UserParameters;
}

namespace Tarnwick::Encoding {

/// What an `XmlDecoder` accepts; the defaults suit messages from peers that are not trusted.
struct XmlDecoderLimits {
    /// Longer texts are refused before they are parsed.
    std::size_t MaxTextBytes = std::size_t(256) << 20;
    /// Deeper element nesting is refused (the root element is level 1).
    std::size_t MaxDepth = 256;
    /// Accept what older producers wrote: characters beyond the Basic Multilingual Plane
    /// as two 3-byte surrogate sequences, and non-ASCII element names as single bytes.
    bool AcceptLegacyBytes = true;
};

/// Reads the UTF-8 XML that `XmlEncoder` writes back into a message header and a parameter
/// tree. The text is parsed (and judged well-formed) once, by the constructor; each Decode
/// call then builds a new result from it and keeps nothing of it. Every refusal raises a
/// `ServiceException` from "Tarnwick::Encoding::XmlDecoder" whose message says what is wrong
/// and where ("... at line L, column C", with the element's path where one is known).
/// No DTD is processed, no entity but the five predefined ones and character references is
/// known, and no file or network resource is ever opened.
class TARNWICK_EXPORT XmlDecoder {
public:
    /// Parses `text` with the default limits; raises on malformed or refused input.
    explicit XmlDecoder(std::string_view text);
    /// Parses `text` within `limits`; raises on malformed or refused input.
    XmlDecoder(std::string_view text, XmlDecoderLimits const& limits);
    /// Reads `in` to its end, then parses what it read with the default limits.
    explicit XmlDecoder(std::istream& in);
    XmlDecoder(XmlDecoder&& other) noexcept;
    XmlDecoder& operator=(XmlDecoder&& other) noexcept;
    XmlDecoder(XmlDecoder const&) = delete;
    XmlDecoder& operator=(XmlDecoder const&) = delete;
    ~XmlDecoder();

    /// True when the root is a `msg` element carrying the eight header attributes.
    bool IsMessage() const;
    /// Sets the eight header fields of `message` from the `msg` element; the payload is not
    /// touched. Raises, changing nothing, when the text is not a message or a field does not fit.
    void DecodeHeader(ServiceMessage& message) const;
    /// The parameter element decoded without a prototype: an element with a `type` attribute
    /// becomes an any-type node, one with child elements a composite, any other a string
    /// scalar. Null when the message holds no parameter element.
    std::unique_ptr<DataTypes::ServiceType> DecodeTree() const;
    /// The parameter element decoded in the shape of `prototype`, which decides every node's
    /// class and code; the text gives names, values and counts. Null when the message holds
    /// no parameter element.
    std::unique_ptr<DataTypes::ServiceType> DecodeTree(DataTypes::ServiceType const& prototype) const;
    /// Decodes the parameter element in the shape `value.StoreTo(<element name>)` gives, then
    /// hands the tree to `value.InitFrom`. On failure, or without a parameter element, `value`
    /// is unchanged.
    void DecodeInto(StubProxy::UserParameters& value) const;
    /// The header and, when both the message and the text hold one, the payload (typed by the
    /// message's payload object). On failure neither changes.
    void DecodeMessage(ServiceMessage& message) const;

private:
    struct Document;
    std::unique_ptr<Document> m_Document;
};

} // namespace Tarnwick::Encoding
