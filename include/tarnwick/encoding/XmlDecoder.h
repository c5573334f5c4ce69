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
///
/// The limits bound the heap a decode takes beyond the tree it returns. Measured: up to
/// about 3 bytes per byte of text (the parser's copy, and characters read as UTF-16), 1
/// more when the text arrives through a stream or in an encoding other than UTF-8 (the
/// text read, or its UTF-8 form), up to about 110 bytes per element (the parser's 64-byte
/// node and the reader's bookkeeping), and for attributes, which are not counted, about
/// 60 bytes each: up to 12 bytes per byte of a text full of them. Nesting adds about 250
/// bytes per level. With the defaults no text takes more than about 900 MB; raising
/// `MaxTextBytes` by 1 MiB adds at most about 13 MB (`MaxElements` must grow alongside
/// for the encoder's densest texts, 8 bytes per element), raising `MaxElements` by one
/// million about 110 MB.
struct XmlDecoderLimits {
    /// Longer texts are refused before they are parsed; so is a text whose UTF-8 form is
    /// longer (an ISO-8859-1 or UTF-16 text).
    std::size_t MaxTextBytes = std::size_t(32) << 20;
    /// Deeper element nesting is refused (the root element is level 1), before the parse.
    std::size_t MaxDepth = 256;
    /// More elements are refused before the parser builds anything; comments, processing
    /// instructions and CDATA sections count as elements. The default admits every text
    /// of the encoder within the default `MaxTextBytes`.
    std::size_t MaxElements = std::size_t(4) << 20;
    /// Accept what older producers wrote: characters beyond the Basic Multilingual Plane
    /// as two 3-byte surrogate sequences (a lone one gives its unit), and non-ASCII element
    /// names as single bytes (the low 8 bits of each unit; the units must make a name).
    bool AcceptLegacyBytes = true;
    /// In typed decoding, skip elements the prototype does not name, unexpected attributes, `xmlns` declarations.
    bool IgnoreUnknownElements = false;
    /// In typed decoding, a composite child the text lacks comes back as a copy of the prototype's child.
    bool KeepMissingElements = false;
    /// Read numbers and booleans in every lexical form XML Schema allows for their kind as well.
    bool AcceptSchemaForms = false;
};

/// Reads the UTF-8 XML that `XmlEncoder` writes back into a message header and a parameter
/// tree. The text is parsed (and judged well-formed) once, by the constructor; each Decode
/// call then builds a new result from it and keeps nothing of it.
///
/// Texts in other encodings a conforming processor reads come back as the same characters:
/// a declaration naming UTF-8, US-ASCII (also ASCII; the bytes must then be ASCII) or
/// ISO-8859-1 (also ISO_8859-1 and LATIN1), in any letter case, and UTF-16 with a byte order
/// mark (either byte order; its declaration names no encoding or UTF-16).
///
/// Well-formed means what a conforming XML 1.0 processor accepts, with two differences
/// that keep the encoder's text as it was written: line ends and whitespace in attribute
/// values are not normalised (CR, tab and LF come back as they stand), and the bytes the
/// encoder writes although XML forbids them are accepted: control characters other than
/// the unit 0, U+FFFE and U+FFFF, and with `XmlDecoderLimits::AcceptLegacyBytes` the legacy
/// forms. No DTD is processed (a document type declaration is refused), no entity but the
/// five predefined ones and character references is known, and no file or network resource
/// is ever opened.
///
/// Every refusal raises a `ServiceException` from "Tarnwick::Encoding::XmlDecoder". Its
/// message says what is wrong and where: `WHAT at line L, column C`, or `WHAT in PATH at
/// line L, column C` where an element is concerned; the path is the element names from
/// the parameter element down ("request/count"; "msg" for the message element). Lines and
/// columns count from 1; a line ends at LF; a column counts code points, i.e. every byte
/// that is not a UTF-8 continuation byte (of the text in UTF-8, whatever its encoding:
/// characters are counted in every one). Every piece of input a message quotes, each
/// name in a path included, is at most 40 bytes of it (decoded text counted in its
/// UTF-8 form): a longer piece is cut at a character boundary and marked by `...` after
/// what is left (`'aaaa...'`). A path of more than 12 names shows the first six and the
/// last six with `...` between them (`a/b/c/d/e/f/.../u/v/w/x/y/z`). So a message is a
/// few kilobytes at most, and a refusal costs no more than reading a valid text of the
/// same size. The lines and messages ('x' stands for a quoted piece of input):
///
/// | line | message |
/// |---|---|
/// | 101 | `Text longer than the limit of N bytes` |
/// | 102 | `The stream could not be read` |
/// | 103 | `Malformed XML: ` and the parser's description, for example `Start-end tags mismatch` |
/// | 104 | `Invalid UTF-8` |
/// | 105 | `Null character` |
/// | 106 | `Document type declaration not accepted` |
/// | 107 | `XML declaration not at the start of the text` |
/// | 108 | `Malformed XML declaration` |
/// | 109 | `Unsupported encoding 'x'`, or `Encoding 'x' contradicts the byte order mark` |
/// | 110 | `Reserved processing instruction target 'x'` |
/// | 111 | `'--' inside a comment` |
/// | 112 | `Text outside the root element` |
/// | 113 | `Second root element` |
/// | 114 | `No root element` |
/// | 115 | `Duplicate attribute 'x'` |
/// | 116 | `'<' in an attribute value` |
/// | 117 | `']]>' in text` |
/// | 118 | Undefined entity '\&x;' (the name as written) |
/// | 119 | Invalid character reference '\&\#x' |
/// | 120 | `'&' not starting a reference` |
/// | 121 | `Invalid name 'x'` |
/// | 122 | `Elements nested deeper than N levels` |
/// | 123 | `More than N elements` |
/// | 124 | `Text ends inside element 'x'` (at the start tag of the innermost open element) |
/// | 125 | `UTF-16 text without a byte order mark` |
/// | 126 | `Non-ASCII byte 0xNN in US-ASCII text` |
/// | 127 | `Invalid UTF-16` (a lone surrogate, or an odd byte at the end) |
/// | 130 | `Not a message: the root element is not 'msg'` |
/// | 131 | `Missing header attribute 'x'` |
/// | 132 | `Invalid value 'x' of header attribute 'y'` |
/// | 133 | `More than one parameter element` |
/// | 134 | `Invalid KIND value 'x'` (KIND the node's type name, for example INT32) |
/// | 135 | `Unknown element 'x'` |
/// | 136 | `Missing element 'x'` |
/// | 137 | `Unexpected text` |
/// | 138 | `Unknown type 'x'` |
/// | 139 | `Missing type attribute` |
/// | 140 | `Unexpected attribute 'x'` |
/// | 141 | a prototype that cannot shape a tree (below) |
///
/// Line 141 says `Cannot decode a prototype of kind K` (a kind no text is written for),
/// `... of another class than its kind`, `... dictionary without keys and values`,
/// `... dictionary with keys of kind K and values of kind V`, or, for `DecodeInto` and
/// `DecodeMessage`, `The value object stores no tree`.
///
/// Tolerant reading lets message shapes grow without breaking older receivers: a receiver
/// ignores what it does not know and keeps its own default for what the sender did not yet
/// write. With `XmlDecoderLimits::IgnoreUnknownElements`, typed decoding (a prototype,
/// `DecodeInto`, `DecodeMessage`, and the header) skips a composite's child elements that the
/// prototype does not name (or names fewer times), elements other than `item` in sequences
/// and dictionaries, elements after an item's value, child elements of a value, and every
/// attribute but an any-type's `type`, namespace declarations included. With
/// `KeepMissingElements` a composite child the text lacks is a copy of the prototype's child.
/// With `AcceptSchemaForms` a number, a boolean and a header number are also read in the
/// other lexical forms of XML Schema: whitespace around them, a leading `+`, `-0` for an
/// unsigned kind, `1` and `0` for booleans, `INF`, `-INF` and `NaN` for floats, and
/// decimals beyond the range of a float kind as infinity or zero. A text that validates
/// against `XmlSchema::Write` (or `WriteMessage`) of its prototype decodes with all three
/// on, but for values inside any-type elements, which the schema cannot check.
///
/// Lines 101 to 127 come from the constructors, the others from the Decode calls.
/// Exceptions raised by a value object's own `StoreTo` or `InitFrom` pass through unchanged.
class TARNWICK_EXPORT XmlDecoder {
public:
    /// Parses `text` with the default limits; raises on malformed or refused input.
    explicit XmlDecoder(std::string_view text);
    /// Parses `text` within `limits`; raises on malformed or refused input.
    XmlDecoder(std::string_view text, XmlDecoderLimits const& limits);
    /// Reads `in` to its end, then parses what it read with the default limits.
    explicit XmlDecoder(std::istream& in);
    /// Reads `in` to its end, then parses what it read within `limits`; refuses a stream
    /// longer than `limits.MaxTextBytes` after reading at most one byte more.
    XmlDecoder(std::istream& in, XmlDecoderLimits const& limits);
    /// Takes over the parsed text; `other` may then only be destroyed or assigned to.
    XmlDecoder(XmlDecoder&& other) noexcept;
    /// Takes over the parsed text; `other` may then only be destroyed or assigned to.
    XmlDecoder& operator=(XmlDecoder&& other) noexcept;
    XmlDecoder(XmlDecoder const&) = delete;
    XmlDecoder& operator=(XmlDecoder const&) = delete;
    /// Releases the parsed text; trees already decoded belong to their callers.
    ~XmlDecoder();

    /// True when the root is a `msg` element carrying the eight header attributes.
    bool IsMessage() const;
    /// Sets the eight header fields of `message` from the `msg` element; the payload is not
    /// touched. `MsgType` comes back as the low 8 bits the encoder wrote (0 to 255). Raises,
    /// changing nothing, when the text is not a message, a header attribute is missing or
    /// unknown, or a number does not fit its field.
    void DecodeHeader(ServiceMessage& message) const;
    /// The parameter element decoded without a prototype: an element with a `type` attribute
    /// becomes an any-type node, one with child elements a composite, any other a string
    /// scalar. Null when the message holds no parameter element.
    std::unique_ptr<DataTypes::ServiceType> DecodeTree() const;
    /// The parameter element decoded in the shape of `prototype`, which decides every node's
    /// class and code; the text gives names, values and counts. Composite children are
    /// matched by name (the k-th of a name to the k-th element of that name) and come back in
    /// the prototype's order, all present, nothing unknown; composite-sequence items take the
    /// shape of the prototype's `CreateEmptyItem()` when it has children, else of its first
    /// item, else none. Null when the message holds no parameter element.
    std::unique_ptr<DataTypes::ServiceType> DecodeTree(DataTypes::ServiceType const& prototype) const;
    /// Decodes the parameter element in the shape `value.StoreTo(<element name>)` gives, then
    /// hands the tree to `value.InitFrom`, first on a copy of `value`, so that an `InitFrom`
    /// that fails half way changes nothing; once only when `value.InitFromIsAtomic()`. On
    /// failure, or without a parameter element, `value` is unchanged.
    void DecodeInto(StubProxy::UserParameters& value) const;
    /// The header and, when both the message and the text hold one, the payload (typed by the
    /// message's payload object, which stays the same object and is read as by `DecodeInto`).
    /// The header is read and the payload decoded before anything changes, and the header
    /// fields are then moved in without a failure: on failure neither changes.
    void DecodeMessage(ServiceMessage& message) const;

private:
    struct Document;
    std::unique_ptr<Document> m_Document;
};

} // namespace Tarnwick::Encoding
