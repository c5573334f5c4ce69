#pragma once

// The elements of a parsed message as a field source: a record reads its members
// from them directly, without a prototype and a tree in between. Internal to the
// library.

#include "encoding/decode/XmlDocument.h"

#include <tarnwick/encoding/XmlDecoder.h>
#include <tarnwick/stubproxy/FieldSource.h>

#include <cstdint>
#include <string>
#include <vector>

namespace Tarnwick::Encoding::Detail {

/// Answers only for the text the encoder writes, and only what the tree reader would read
/// from it with the same limits: elements named as asked, no attributes, no text where
/// elements belong, values in the encoder's own forms. Anything else, which the tree reader
/// may read in another way or refuse, is answered with false, and the tree is read after all.
class ElementSource final : public StubProxy::FieldSource {
public:
    /// Whether a source over `element` can answer at all: no tolerant reading option is on,
    /// nothing but elements and their text lies inside the root (no CDATA, comments or
    /// mixed text), and no element from `element` on has attributes.
    static bool Applies(XmlDocument const& document, pugi::xml_node element, XmlDecoderLimits const& limits) noexcept;

    /// A source whose first element is `element`.
    ElementSource(XmlDocument const& document, pugi::xml_node element) noexcept
        : m_Document(document)
        , m_Next(element)
    { }

    bool Enter(char16_t const* name) override;
    bool More() override;
    bool Leave() override;

private:
    bool ReadValue(char16_t const* name, Target target) override;
    /// The next element, taken when it is named `name` (any ASCII name when null); else null.
    pugi::xml_node Take(char16_t const* name) noexcept;
    /// The text of `element` as the tree reader reads a value of T from it, when it is in
    /// the form the tree reader's quick ways read; false otherwise.
    template <class T> bool Value(pugi::xml_node element, T& value);
    template <class T> bool One(char16_t const* name, T& value);
    template <class T> bool Items(char16_t const* name, std::vector<T>& values);

    XmlDocument const& m_Document;
    /// The element entered last (null before the first) and its next child to read.
    pugi::xml_node m_Current;
    pugi::xml_node m_Next;
    /// Room for decoded text, reused from one text to the next.
    std::u16string m_Room;
};

} // namespace Tarnwick::Encoding::Detail
