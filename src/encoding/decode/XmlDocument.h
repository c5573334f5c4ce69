#pragma once

// The text of one message, parsed once and judged well-formed, with the
// positions and the decoded content of its parts. Internal to the library.

#include "encoding/decode/DecoderFailures.h"
#include "encoding/decode/OverwrittenBytes.h"
#include "encoding/decode/TextEncodings.h"
#include "encoding/XmlNames.h"

#include <tarnwick/encoding/XmlDecoder.h>

#include <pugixml.hpp>

#include <cstddef>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace Tarnwick::Encoding::Detail {

class XmlDocument {
public:
    /// Parses a copy of `text` (in UTF-8 after it is turned from the encoding its byte
    /// order mark or declaration names) within `limits`; raises on anything a conforming
    /// XML 1.0 processor rejects, beyond the bytes the encoder writes. `text` is read only
    /// while the constructor runs.
    XmlDocument(std::string_view text, XmlDecoderLimits const& limits);
    /// As above, for a text the document may take and free once it is parsed.
    XmlDocument(std::string&& text, XmlDecoderLimits const& limits);
    XmlDocument(XmlDocument const&) = delete;
    XmlDocument& operator=(XmlDocument const&) = delete;

    /// The one root element.
    pugi::xml_node Root() const noexcept { return m_Root; }

    /// Where `offset` lies: "line L, column C", both counted from 1. Lines end
    /// at LF; a column counts code points (every byte that is not a UTF-8
    /// continuation byte starts one).
    std::u16string Where(std::size_t offset) const;
    /// The offset in the text of a pointer into the parsed buffer.
    std::size_t OffsetOf(char const* pointer) const noexcept;
    /// The offset of the '<' that starts `element`.
    std::size_t StartOf(pugi::xml_node element) const noexcept;
    /// The offset of an attribute's name.
    std::size_t StartOf(pugi::xml_attribute attribute) const noexcept;

    /// Raises `what` + (" in " + path) + " at line L, column C".
    [[noreturn]] void Fail(
        std::u16string const& what, std::u16string const& path, DecoderLine line, std::size_t offset) const;

    /// The element's name as UTF-16 (single bytes of a legacy name as units).
    std::u16string Name(pugi::xml_node element) const;
    /// An attribute's value with its references replaced.
    std::u16string Value(pugi::xml_attribute attribute) const;
    /// Decodes the character data of `element` (text with its references replaced, CDATA
    /// sections as they are; comments and processing instructions skipped) into `room`,
    /// which only grows and is never cleared, and answers its length in units; raises
    /// `onElement(child)` for a child element.
    template <class OnElement> std::size_t Text(pugi::xml_node element, std::u16string& room, OnElement onElement) const
    {
        char const* const value = element.value();
        char const* end = value;
        std::size_t length = AppendCharacterData(room, 0, value, false, end);
        if (end != value && AtEndTag(end)) {
            return length;
        }
        for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
            switch (child.type()) {
            case pugi::node_element:
                onElement(child);
                break;
            case pugi::node_pcdata:
            case pugi::node_cdata:
                length = AppendCharacterData(room, length, child.value(), child.type() == pugi::node_cdata, end);
                break;
            default:
                break;
            }
        }
        return length;
    }
    /// Whether the zero byte at `terminator`, which ends a text in the buffer, stands over
    /// the '<' of an end tag: then the text is all its element holds.
    static bool AtEndTag(char const* terminator) noexcept { return terminator[1] == '/'; }
    /// The element's text when it is one run of character data without references,
    /// followed by the element's end tag: the usual number or word, read where it stands.
    /// Otherwise false.
    static bool PlainText(pugi::xml_node element, std::string_view& text) noexcept
    {
        char const* const value = element.value();
        char const* end = value;
        while (*end != 0 && *end != '&') {
            ++end;
        }
        if (*end != 0 || end == value || !AtEndTag(end)) {
            return false;
        }
        text = std::string_view(value, static_cast<std::size_t>(end - value));
        return true;
    }
    /// True when `text` holds only XML whitespace.
    static bool IsBlank(char const* text) noexcept
    {
        for (; *text != 0; ++text) {
            if (!IsXmlSpace(static_cast<unsigned char>(*text))) {
                return false;
            }
        }
        return true;
    }
    /// True when nothing but elements lies inside the root: no text beside the elements'
    /// own (text that is an element's first content is its value), no CDATA, no comments,
    /// no processing instructions. What the encoder writes is such a text.
    bool ElementsOnly() const noexcept { return m_ElementsOnly; }
    /// True when an element whose name starts at or after `name` has attributes.
    bool AttributesFrom(char const* name) const noexcept
    {
        return m_LastAttributed != nullptr && m_LastAttributed >= name;
    }
    /// The element's content as it stands in the text, byte for byte, as UTF-16.
    std::u16string InnerMarkup(pugi::xml_node element) const;
    /// True when the element has text that is not only whitespace.
    bool HasText(pugi::xml_node element) const;

private:
    enum class Data { Text, Attribute, Raw };

    /// Zero bytes after the parser's copy of the text: its terminator, and room to read a
    /// block of 16 bytes from anywhere up to it, or four blocks and the byte after them.
    static constexpr std::size_t kPadding = 65;

    /// `owned`, when given, holds `text` and may be taken as the document's text.
    XmlDocument(std::string_view text, std::string* owned, XmlDecoderLimits const& limits);
    void Parse(std::string_view text, std::string* owned, XmlDecoderLimits const& limits);
    /// Keeps the text as UTF-8, turned from the encoding it arrived in, or refuses it.
    void Transcode(std::string_view text, std::string* owned, XmlDecoderLimits const& limits);
    /// Holds `text` (taken from `owned` when given) while the constructor runs.
    void Keep(std::string_view text, std::string* owned);
    /// True when a quick count of the markup shows the text within the limits of
    /// elements and depth; false when it may not be.
    bool WithinLimits(char const* text, XmlDecoderLimits const& limits) const;
    /// Counts the markup and follows the nesting before the parser builds anything, so
    /// that neither too many nodes nor too deep a nesting costs more than the text; notes
    /// the innermost element left open.
    void Prescan(char const* text, XmlDecoderLimits const& limits);
    /// Raises the parser's refusal, at the character at fault.
    [[noreturn]] void FailParse(pugi::xml_parse_result const& result);
    /// The first offset in the tag starting at `start` that its grammar does not allow;
    /// `m_Size` when the text ends inside it, and `npos` when the tag is sound.
    std::size_t TagFault(std::size_t start) const;
    void CheckTopLevel();
    /// Judges every node in the order of the text, without recursion.
    void CheckTree(std::size_t maxDepth);
    /// Judges the element's start tag and the text that follows it; false when the text
    /// shows that the element has no children.
    bool CheckElement(pugi::xml_node element);
    /// The rest of a start tag that does not end with the name: attributes, or "/>".
    void CheckStartTag(pugi::xml_node element, char const* name);
    /// Up to this many attributes are compared pairwise for repeats, more are sorted.
    static constexpr std::size_t kPairwiseAttributes = 16;
    /// Refuses the repeats among the attributes of an element with more than `kPairwiseAttributes`.
    void CheckDuplicates(pugi::xml_node element, std::size_t count) const;
    /// Raises the refusal of a repeated attribute, at its name.
    [[noreturn]] void FailDuplicate(pugi::xml_attribute attribute) const;
    /// The attribute at `index` (counted from 0) of an element that has that many.
    static pugi::xml_attribute AttributeAt(pugi::xml_node element, std::size_t index);
    void CheckDeclaration(pugi::xml_node declaration);
    void CheckComment(pugi::xml_node comment) const;
    void CheckInstruction(pugi::xml_node instruction) const;
    /// Judges character data at `raw`, ending at its zero byte (text also at markup):
    /// the usual run of plain bytes at a glance, anything else by `Judge`.
    void Check(char const* raw, Data kind) const;
    /// Judges character data at `raw` byte by byte, ending at its zero byte (text also
    /// at markup): UTF-8, references, and the markup each kind may not hold.
    void Judge(char const* raw, Data kind) const;
    /// The length of the well-formed reference at `at` (one of the five entities or a
    /// character reference); raises on anything else.
    std::size_t JudgeReference(char const* at) const;
    /// Judges a name that is not all ASCII (the parser reads ASCII names by the XML
    /// rules). Only an `element` name may be in the legacy form.
    void JudgeName(char const* name, bool element) const;
    /// Decodes judged character data at `value` into `room` from unit `at` on, growing the
    /// room when it is too small; `raw` for CDATA, whose '&' stands for itself. Answers the
    /// units in the room up to the data's end, and sets `end` to its terminator.
    static std::size_t AppendCharacterData(
        std::u16string& room, std::size_t at, char const* value, bool raw, char const*& end);
    /// The offset just past the '>' of the start tag, and whether it closes the element.
    std::size_t StartTagEnd(pugi::xml_node element, bool& empty) const;
    /// The offset just past the node's end.
    std::size_t EndOf(pugi::xml_node node) const;
    /// The first offset from `from` where the text holds `c`, or the end.
    std::size_t Find(char c, std::size_t from) const;
    /// The byte of the text at `offset`, as it arrived.
    char OriginalAt(std::size_t offset) const;
    /// Gives `visit` the bytes of the text from `from` up to `to`, as they arrived, until
    /// it answers false; answers the offset it stopped at (`to` when it did not).
    template <class Visit> std::size_t Walk(std::size_t from, std::size_t to, Visit visit) const
    {
        if (!m_Sealed) {
            for (std::size_t at = from; at < to; ++at) {
                if (!visit(m_Text[at])) {
                    return at;
                }
            }
            return to;
        }
        OverwrittenBytes::Cursor cursor = m_Overwritten.At(from);
        for (std::size_t at = from; at < to; ++at) {
            if (!visit(cursor.Next())) {
                return at;
            }
        }
        return to;
    }

    /// The text as it arrived, in UTF-8, while the constructor runs: the caller's, or
    /// `m_Owned` when it was given by value or transcoded. Then the parser's copy and the
    /// bytes its terminators stand over hold it, without a second copy.
    std::string_view m_Text;
    std::string m_Owned;
    OverwrittenBytes m_Overwritten;
    /// The constructor has finished: the text is read back through `m_Overwritten`.
    bool m_Sealed = false;
    TextForm m_Form = TextForm::Utf8;
    /// Where the innermost element the text leaves open starts, if any.
    std::size_t m_OpenAt = std::string_view::npos;
    std::size_t m_Size = 0;
    /// The parser's copy of the text, at the same offsets: the parser ends names, values
    /// and texts in place with a zero byte.
    std::unique_ptr<char[]> m_Buffer;
    pugi::xml_document m_Document;
    pugi::xml_node m_Root;
    bool m_Legacy = true;
    bool m_ElementsOnly = true;
    /// The name of the last element in the text that has attributes, or null.
    char const* m_LastAttributed = nullptr;
};

} // namespace Tarnwick::Encoding::Detail
