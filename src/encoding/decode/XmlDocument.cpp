#include "encoding/decode/XmlDocument.h"

#include "core/Bytes16.h"
#include "core/Decimal.h"
#include "core/Utf16.h"
#include "encoding/XmlNames.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <cstdlib>
#include <exception>
#include <functional>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

namespace Tarnwick::Encoding::Detail {

namespace {

using Tarnwick::Detail::AppendAscii;
using Tarnwick::Detail::AppendUtf16;
using Tarnwick::Detail::Bytes16;
using Tarnwick::Detail::CopyFindingZero;
using Tarnwick::Detail::DecodeJudgedUtf8;
using Tarnwick::Detail::DecodeUtf8;
using Tarnwick::Detail::EncodeUtf16;
using Tarnwick::Detail::Mask16;
using Tarnwick::Detail::Tally16;
using Tarnwick::Detail::Utf8Sequence;

// No normalisation of line ends or attribute whitespace and no reference
// replacement: the text comes back as the encoder wrote it, and references are
// replaced here, strictly. Comments, processing instructions, the declaration
// and a document type are kept as nodes so that they can be judged. As a
// fragment, text outside the root becomes a node (and is refused) instead of
// being dropped; whitespace-only text is kept where it is an element's only
// content, so that a string of spaces comes back.
constexpr unsigned kParseOptions = pugi::parse_cdata | pugi::parse_comments | pugi::parse_pi | pugi::parse_declaration
    | pugi::parse_doctype | pugi::parse_ws_pcdata_single | pugi::parse_embed_pcdata | pugi::parse_fragment;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

constexpr std::uint8_t kInName = 1;
constexpr std::uint8_t kStartsName = 2;

/// The ASCII characters of names, by the two rules above.
constexpr std::array<std::uint8_t, 128> kAsciiName = [] {
    std::array<std::uint8_t, 128> table {};
    for (char32_t c = 0; c < 128; ++c) {
        table[c] = static_cast<std::uint8_t>((IsNameStart(c) ? kStartsName : 0) | (IsNameChar(c) ? kInName : 0));
    }
    return table;
}();

/// A reference or a name for a message, cut as every quoted piece of input is.
std::u16string Quoted(char const* text, std::size_t length)
{
    return Quote(std::string_view(text, length));
}

/// The first byte of a name (in the padded buffer) that is no ASCII character: its
/// terminator, or the first byte of a multi-byte sequence.
char const* AsciiEnd(char const* name)
{
    for (;; name += 16) {
        Bytes16 const bytes(name);
        if (unsigned const stops = (bytes.Equal(0) | bytes.High()).Bits(); stops != 0) {
            return name + std::countr_zero(stops);
        }
    }
}

/// The bits set in `x`, by shifts and adds: without an instruction for it (not in the
/// baseline instruction set) the library function costs more.
constexpr std::size_t BitCount(std::uint64_t x)
{
    x -= (x >> 1) & 0x5555555555555555u;
    x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
    x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
    return static_cast<std::size_t>((x * 0x0101010101010101u) >> 56);
}

/// One of the five entities every XML text may use without declaring it.
struct Entity {
    /// The whole reference, from '&' to ';'.
    std::string_view reference;
    char16_t character;
};

/// The five entities, the ones the encoder writes first.
constexpr std::array<Entity, 5> kEntities {{
    {"&lt;", u'<'},
    {"&gt;", u'>'},
    {"&amp;", u'&'},
    {"&quot;", u'"'},
    {"&apos;", u'\''},
}};

/// The entity whose reference starts at `at`, or null; reads up to 6 bytes (the text is
/// padded).
Entity const* EntityAt(char const* at)
{
    for (Entity const& entity : kEntities) {
        if (std::memcmp(at, entity.reference.data(), entity.reference.size()) == 0) {
            return &entity;
        }
    }
    return nullptr;
}

/// The first byte from `it` that does not stand for itself in character data: a zero byte,
/// '&', '<', ']' or a byte of a multi-byte sequence. With `blocks`, 16 bytes may be read
/// from `it` and from after each block of plain bytes (the text is padded).
unsigned char const* SkipPlain(unsigned char const* it, bool blocks)
{
    if (blocks) {
        for (;; it += 16) {
            Bytes16 const bytes(it);
            Mask16 const stops = bytes.Equal(0) | bytes.Equal('&') | bytes.Equal('<') | bytes.Equal(']') | bytes.High();
            if (unsigned const bits = stops.Bits(); bits != 0) {
                return it + std::countr_zero(bits);
            }
        }
    }
    while (*it != 0 && *it < 0x80 && *it != '&' && *it != '<' && *it != ']') {
        ++it;
    }
    return it;
}

/// From this many bytes on, a text's units are counted before room is made for them.
constexpr std::size_t kCountedUnits = 4096;

/// No fewer than the UTF-16 units of the `length` bytes of judged data at `text` (in the
/// padded buffer): one per byte that is no continuation byte, two for a 4-byte sequence.
std::size_t UnitsAtMost(char const* text, std::size_t length)
{
    std::size_t continuations = 0;
    std::size_t pairs = 0;
    for (std::size_t block = 0; block < length; block += 16) {
        Bytes16 const bytes(text + block);
        std::uint64_t const inside = length - block < 16 ? (std::uint64_t(1) << (length - block)) - 1 : 0xFFFF;
        continuations += BitCount(bytes.InRange(0x80, 0xBF).Bits() & inside);
        pairs += BitCount(bytes.InRange(0xF0, 0xFF).Bits() & inside);
    }
    return length - continuations + pairs;
}

/// Copies the bytes from `it` that stand for themselves in judged character data
/// (ASCII but '&', or in raw data every ASCII byte) to `to` as units, up to `end`;
/// answers where it stopped. Reads and writes up to 16 bytes and units past that.
unsigned char const* WidenPlain(unsigned char const* it, unsigned char const* end, char16_t*& to, bool raw)
{
    // The data lies in the padded buffer, so a block may be read across its end; the
    // end counts as a stop.
    for (;; it += 16, to += 16) {
        Bytes16 const bytes(it);
        bytes.Widen(to);
        unsigned stops = (raw ? bytes.High() : bytes.High() | bytes.Equal('&')).Bits();
        if (auto const left = static_cast<std::size_t>(end - it); left < 16) {
            stops |= 1u << left;
        }
        if (stops != 0) {
            auto const plain = static_cast<unsigned>(std::countr_zero(stops));
            to += plain;
            return it + plain;
        }
    }
}

/// Decodes the judged reference at `it` (one of the five entities or a character
/// reference) to `to`; answers the byte after its ';'.
unsigned char const* DecodeReference(unsigned char const* it, char16_t*& to)
{
    if (it[1] != '#') {
        Entity const& entity = *EntityAt(reinterpret_cast<char const*>(it));
        *to++ = entity.character;
        return it + entity.reference.size();
    }
    bool const hex = it[2] == 'x';
    char32_t cp = 0;
    for (it += hex ? 3 : 2; *it != ';'; ++it) {
        unsigned const d = *it;
        cp = cp * (hex ? 16 : 10) + (d <= '9' ? d - '0' : (d | 0x20) - 'a' + 10);
    }
    to += EncodeUtf16(cp, to);
    return it + 1;
}

/// Below this many bytes a text is copied by the C library, from it on a block at a time:
/// the library copies long texts with a string instruction that costs as much per byte.
constexpr std::size_t kCopiedInBlocks = 4096;

/// Copies `size` bytes and answers the offset of the first zero byte among them, or `size`.
std::size_t CopyText(char* to, char const* from, std::size_t size)
{
    if (size < kCopiedInBlocks) {
        std::memcpy(to, from, size);
        auto const* const zero = static_cast<char const*>(std::memchr(to, 0, size));
        return zero != nullptr ? static_cast<std::size_t>(zero - to) : size;
    }
    std::size_t const zero = CopyFindingZero(to, from, size);
    if (zero != size) {
        std::memcpy(to + zero, from + zero, size - zero);
    }
    return zero;
}

/// Decodes the `length` bytes of judged character data at `value` (in the padded buffer) to
/// `to`, which has room for their units and 16 more; `raw` for CDATA, whose '&' stands for
/// itself. Answers the end of the units.
char16_t* DecodeJudged(char const* value, std::size_t length, char16_t* to, bool raw)
{
    auto const* it = reinterpret_cast<unsigned char const*>(value);
    auto const* const last = it + length;
    for (;;) {
        it = WidenPlain(it, last, to, raw);
        if (it == last) {
            return to;
        }
        if (*it == '&') {
            it = DecodeReference(it, to);
        } else {
            // The legacy halves of a surrogate pair, 3 bytes each, come out as the units they were.
            Utf8Sequence const sequence = DecodeJudgedUtf8(it);
            to += EncodeUtf16(sequence.codePoint, to);
            it += sequence.length;
        }
    }
}

} // namespace

XmlDocument::XmlDocument(std::string_view text, XmlDecoderLimits const& limits)
    : XmlDocument(text, nullptr, limits)
{ }

XmlDocument::XmlDocument(std::string&& text, XmlDecoderLimits const& limits)
    : XmlDocument(text, &text, limits)
{ }

XmlDocument::XmlDocument(std::string_view text, std::string* owned, XmlDecoderLimits const& limits)
    : m_Size(text.size())
    , m_Legacy(limits.AcceptLegacyBytes)
{
    Parse(text, owned, limits);
}

void XmlDocument::Parse(std::string_view text, std::string* owned, XmlDecoderLimits const& limits)
{
    if (m_Size > limits.MaxTextBytes) {
        RaiseTextTooLong(limits.MaxTextBytes);
    }
    Transcode(text, owned, limits);
    // The parser's own copy, ended by a zero byte it may use as the end of the last text,
    // and padded so that blocks of bytes may be read anywhere in it.
    m_Buffer = std::make_unique_for_overwrite<char[]>(m_Size + kPadding);
    std::size_t const firstZero = CopyText(m_Buffer.get(), m_Text.data(), m_Size);
    std::memset(m_Buffer.get() + m_Size, 0, kPadding);
    // The text holds no zero byte: the parser would take one for its end.
    if (firstZero != m_Size) {
        Fail(u"Null character", {}, kNullCharacterLine, firstZero);
    }
    if (!WithinLimits(m_Buffer.get(), limits)) {
        Prescan(m_Buffer.get(), limits);
    }
    pugi::xml_parse_result const result
        = m_Document.load_buffer_inplace(m_Buffer.get(), m_Size + 1, kParseOptions, pugi::encoding_utf8);
    if (!result) {
        FailParse(result);
    }
    CheckTopLevel();
    CheckTree(limits.MaxDepth);
    // From here on the text is read back from the parser's copy.
    m_Overwritten.Record(m_Buffer.get(), m_Text.data(), m_Size);
    m_Text = {};
    m_Sealed = true;
    std::string().swap(m_Owned);
}

void XmlDocument::Transcode(std::string_view text, std::string* owned, XmlDecoderLimits const& limits)
{
    Transcoded transcoded;
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        m_Form = text[0] == '\xFE' ? TextForm::Utf16BE : TextForm::Utf16LE;
        transcoded = FromUtf16(text.substr(2), m_Form == TextForm::Utf16BE);
    } else {
        // Without a mark the text is in 8-bit bytes, and its declaration can be read as ASCII.
        if (LooksLikeUtf16(text)) {
            Fail(u"UTF-16 text without a byte order mark", {}, kUtf16WithoutMarkLine, 0);
        }
        std::string_view const name = DeclaredEncoding(text);
        // An unknown name, or one that a UTF-8 mark contradicts, is refused with the
        // declaration once it is parsed.
        m_Form = name.empty() || text.starts_with(kByteOrderMark) ? TextForm::Utf8
                                                                  : FormOfName(name).value_or(TextForm::Utf8);
        switch (m_Form) {
        case TextForm::Utf8:
            Keep(text, owned);
            return;
        case TextForm::Ascii:
            Keep(text, owned);
            if (std::size_t const at = FirstNonAscii(m_Text); at != m_Size) {
                char16_t hex[2];
                Tarnwick::Detail::WriteHexDigits(hex, static_cast<unsigned char>(m_Text[at]), 2);
                Fail(u"Non-ASCII byte 0x" + std::u16string(hex, 2) + u" in US-ASCII text", {}, kNotAsciiLine, at);
            }
            return;
        case TextForm::Latin1:
            transcoded = FromLatin1(text);
            break;
        default:
            Fail(u"UTF-16 text without a byte order mark", {}, kUtf16WithoutMarkLine, 0);
        }
    }
    Keep(transcoded.text, &transcoded.text);
    // Positions count the characters read so far, as for any other text.
    if (!transcoded.complete) {
        Fail(u"Invalid UTF-16", {}, kInvalidUtf16Line, m_Size);
    }
    // The limit holds for the text the parser reads, too.
    if (m_Size > limits.MaxTextBytes) {
        RaiseTextTooLong(limits.MaxTextBytes);
    }
}

void XmlDocument::Keep(std::string_view text, std::string* owned)
{
    m_Size = text.size();
    if (owned != nullptr) {
        m_Owned = std::move(*owned);
        text = m_Owned;
    }
    m_Text = text;
}

bool XmlDocument::WithinLimits(char const* const text, XmlDecoderLimits const& limits) const
{
    // Every '<' not followed by '/' is counted as a start: no fewer than the starts of
    // elements, comments, processing instructions and CDATA sections. The nesting grows
    // by no more than the starts within 64 bytes, and is followed 64 bytes at a time from
    // the starts, the end tags and the "/>" (which markup inside a comment or a value may
    // miscount either way: the walk after the parse judges the nesting again, within the
    // bounded count of elements).
    // A short text: no more '<' than either limit allows, so neither can be passed. The
    // padding holds none.
    std::size_t const fewest = std::min(limits.MaxElements, limits.MaxDepth);
    std::size_t markup = 0;
    for (std::size_t base = 0; base < m_Size && markup <= fewest; base += 64) {
        std::uint64_t bits = 0;
        for (unsigned block = 0; block < 4; ++block) {
            bits |= std::uint64_t(Bytes16(text + base + 16 * block).Equal('<').Bits()) << (16 * block);
        }
        // Few per block: counted one by one.
        for (; bits != 0; bits &= bits - 1) {
            ++markup;
        }
    }
    if (markup <= fewest) {
        return true;
    }
    std::size_t starts = 0;
    std::size_t depth = 0;
    for (std::size_t base = 0; base < m_Size; base += 64) {
        // Each byte is looked at with the one after it: the last one's lies beyond (in
        // the padding at the end, which holds none of the bytes looked for).
        Tally16 starting;
        Tally16 ending;
        for (unsigned block = 0; block < 4; ++block) {
            char const* const at = text + base + 16 * block;
            Bytes16 const bytes(at);
            Bytes16 const next(at + 1);
            Mask16 const less = bytes.Equal('<');
            Mask16 const slashNext = next.Equal('/');
            starting.Add(less.Without(slashNext));
            ending.Add((less & slashNext) | (bytes.Equal('/') & next.Equal('>')));
        }
        std::size_t const opened = starting.Total();
        std::size_t const closed = ending.Total();
        starts += opened;
        if (starts > limits.MaxElements || depth + opened > limits.MaxDepth) {
            return false;
        }
        depth = depth + opened > closed ? depth + opened - closed : 0;
    }
    return true;
}

void XmlDocument::Prescan(char const* const text, XmlDecoderLimits const& limits)
{
    // Each start tag, comment, processing instruction and CDATA section costs the parser
    // a node (and a text beside it at most one more), so counting them bounds its memory;
    // the nesting is followed here too, so that a deep text is refused before it is
    // parsed. Only the bytes that change the state are looked at, found 16 at a time in
    // the padded buffer: '<', '>' and the quotes. Run where the estimate above leaves a
    // doubt, and for the place of an element a text cut short leaves open.
    std::size_t const size = m_Size;
    std::size_t items = 0;
    auto const count = [&](std::size_t at) {
        if (++items > limits.MaxElements) {
            Fail(u"More than " + MessageText(std::to_string(limits.MaxElements)) + u" elements", {},
                kTooManyElementsLine, at);
        }
    };
    // Past the end of markup that may hold any of the bytes looked for.
    auto const past = [&](std::string_view end, std::size_t from) {
        std::size_t const at = m_Text.find(end, std::min(from, size));
        return at == std::string_view::npos ? size : at + end.size();
    };
    // Other: markup that ends at the next '>' and holds no element (an unusual '<!').
    enum class State { Text, StartTag, Quoted, EndTag, Other };
    State state = State::Text;
    char quote = 0;
    std::vector<std::size_t> open;
    for (std::size_t base = 0; base < size;) {
        Bytes16 const bytes(text + base);
        unsigned bits = (bytes.Equal('<') | bytes.Equal('>') | bytes.Equal('"') | bytes.Equal('\'')).Bits();
        if (size - base < 16) {
            bits &= (1u << (size - base)) - 1;
        }
        std::size_t next = base + 16;
        for (; bits != 0; bits &= bits - 1) {
            std::size_t const at = base + static_cast<std::size_t>(std::countr_zero(bits));
            char const c = text[at];
            if (state == State::Quoted) {
                state = c == quote ? State::StartTag : State::Quoted;
                continue;
            }
            if (c == '<' && state != State::Text) {
                // A tag left unended: the parser refuses it; here it ends the tag.
                state = State::Text;
            }
            if (state == State::EndTag || state == State::Other) {
                // An element ends only at the '>' of its end tag.
                if (c == '>' && state == State::EndTag && !open.empty()) {
                    open.pop_back();
                }
                state = c == '>' ? State::Text : state;
                continue;
            }
            if (state == State::StartTag) {
                if (c == '>') {
                    if (text[at - 1] == '/') {
                        open.pop_back();
                    }
                    state = State::Text;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                    state = State::Quoted;
                }
                continue;
            }
            if (c != '<') {
                continue;
            }
            char const after = text[at + 1];
            if (after == '/') {
                state = State::EndTag;
                continue;
            }
            if (after != '?' && after != '!') {
                count(at);
                open.push_back(at);
                if (open.size() > limits.MaxDepth) {
                    Fail(u"Elements nested deeper than " + MessageText(std::to_string(limits.MaxDepth)) + u" levels",
                        {}, kTooDeepLine, at);
                }
                state = State::StartTag;
                continue;
            }
            // Comments, processing instructions and CDATA sections are skipped whole.
            count(at);
            if (after == '?') {
                next = past("?>", at + 2);
            } else if (m_Text.compare(at, 4, "<!--") == 0) {
                next = past("-->", at + 4);
            } else if (m_Text.compare(at, 9, "<![CDATA[") == 0) {
                next = past("]]>", at + 9);
            } else if (open.empty() && m_Text.compare(at, 9, "<!DOCTYPE") == 0) {
                Fail(u"Document type declaration not accepted", {}, kDoctypeLine, at);
            } else {
                state = State::Other;
                continue;
            }
            break;
        }
        base = next;
    }
    if (!open.empty()) {
        m_OpenAt = open.back();
    }
}

void XmlDocument::FailParse(pugi::xml_parse_result const& result)
{
    // Where the text leaves an element open, if it does: the scan within no limits.
    XmlDecoderLimits unlimited;
    unlimited.MaxElements = std::numeric_limits<std::size_t>::max();
    unlimited.MaxDepth = std::numeric_limits<std::size_t>::max();
    // The parser's copy no longer holds the markup it ended in place: a padded copy of the
    // text, on this path of refusal only.
    std::string padded(m_Text);
    padded.append(kPadding, '\0');
    Prescan(padded.data(), unlimited);
    std::size_t offset = std::min(static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0)), m_Size);
    auto const endsInside = [&] {
        std::size_t const name = m_OpenAt + 1;
        std::size_t nameEnd = name;
        while (nameEnd < m_Size && !IsXmlSpace(static_cast<unsigned char>(m_Text[nameEnd])) && m_Text[nameEnd] != '>'
            && m_Text[nameEnd] != '/') {
            ++nameEnd;
        }
        Fail(
            u"Text ends inside element " + Quoted(m_Text.data() + name, nameEnd - name), {}, kEndsInsideLine, m_OpenAt);
    };
    switch (result.status) {
    case pugi::status_end_element_mismatch:
        // The parser meets the end of the text as a mismatch at its last byte.
        if (m_OpenAt != std::string_view::npos && offset + 1 >= m_Size) {
            endsInside();
        }
        break;
    case pugi::status_unrecognized_tag:
        // A '<' that starts no markup: the parser points past it.
        offset = std::min(m_Text.rfind('<', offset), offset);
        break;
    case pugi::status_bad_start_element:
    case pugi::status_bad_attribute:
    case pugi::status_bad_end_element:
        // The parser points past the character at fault, or at the end of a name: the tag
        // is read again by its grammar. No '<' stands inside a tag before the fault.
        if (std::size_t const start = m_Text.rfind('<', offset); start != std::string_view::npos) {
            std::size_t const fault = TagFault(start);
            if (fault == m_Size && m_OpenAt != std::string_view::npos) {
                endsInside();
            }
            offset = fault < m_Size ? fault : offset;
        }
        break;
    default:
        break;
    }
    Fail(u"Malformed XML: " + MessageText(result.description()), {}, kMalformedLine, offset);
}

std::size_t XmlDocument::TagFault(std::size_t start) const
{
    std::string_view const text = m_Text;
    auto const at = [&](std::size_t k) { return k < m_Size ? static_cast<unsigned char>(text[k]) : 0u; };
    // Bytes from 0x80 on are taken as name characters here; such names are judged later.
    auto const name = [&](std::size_t& k) {
        if (unsigned const c = at(k); c < 0x80 && (kAsciiName[c] & kStartsName) == 0) {
            return false;
        }
        for (++k; at(k) >= 0x80 || (kAsciiName[at(k)] & kInName) != 0; ++k) { }
        return true;
    };
    auto const space = [&](std::size_t& k) {
        std::size_t const from = k;
        while (IsXmlSpace(static_cast<unsigned char>(at(k)))) {
            ++k;
        }
        return k != from;
    };
    // The first offset from `k` that is not `expected`: the end, a fault, or none.
    auto const expect = [&](std::size_t k, char expected) {
        return k >= m_Size ? m_Size : text[k] == expected ? std::string_view::npos : k;
    };
    std::size_t i = start + 1;
    bool const endTag = at(i) == '/';
    i += endTag ? 1 : 0;
    if (i >= m_Size) {
        return m_Size;
    }
    if (!name(i)) {
        return i;
    }
    if (endTag) {
        space(i);
        return expect(i, '>');
    }
    for (;;) {
        bool const spaced = space(i);
        if (i >= m_Size) {
            return m_Size;
        }
        if (text[i] == '>') {
            return std::string_view::npos;
        }
        if (text[i] == '/') {
            return expect(i + 1, '>');
        }
        if (!spaced || !name(i)) {
            return i;
        }
        space(i);
        if (std::size_t const fault = expect(i, '='); fault != std::string_view::npos) {
            return fault;
        }
        ++i;
        space(i);
        if (i >= m_Size) {
            return m_Size;
        }
        if (text[i] != '"' && text[i] != '\'') {
            return i;
        }
        std::size_t const close = text.find(text[i], i + 1);
        if (close == std::string_view::npos) {
            return m_Size;
        }
        i = close + 1;
    }
}

void XmlDocument::CheckTopLevel()
{
    std::size_t const start = m_Text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
    for (pugi::xml_node node = m_Document.first_child(); node; node = node.next_sibling()) {
        switch (node.type()) {
        case pugi::node_declaration:
            // The parser takes the target "xml" in any case for a declaration.
            if (std::strcmp(node.name(), "xml") != 0) {
                Fail(u"Reserved processing instruction target " + Quoted(node.name(), 3), {}, kReservedTargetLine,
                    OffsetOf(node.name()) - 2);
            }
            if (node != m_Document.first_child() || OffsetOf(node.name()) != start + 2) {
                Fail(u"XML declaration not at the start of the text", {}, kDeclarationPlaceLine,
                    OffsetOf(node.name()) - 2);
            }
            CheckDeclaration(node);
            break;
        case pugi::node_doctype: {
            std::size_t const at = m_Text.rfind('<', OffsetOf(node.value()));
            Fail(u"Document type declaration not accepted", {}, kDoctypeLine, at == std::string::npos ? 0 : at);
        }
        case pugi::node_pcdata:
            Fail(u"Text outside the root element", {}, kOutsideRootLine, OffsetOf(node.value()));
        case pugi::node_cdata:
            Fail(u"Text outside the root element", {}, kOutsideRootLine, OffsetOf(node.value()) - 9);
        case pugi::node_element:
            if (m_Root) {
                Fail(u"Second root element", {}, kSecondRootLine, StartOf(node));
            }
            m_Root = node;
            break;
        default:
            break;
        }
    }
    if (!m_Root) {
        Fail(u"No root element", {}, kNoRootLine, m_Size);
    }
}

void XmlDocument::CheckTree(std::size_t maxDepth)
{
    // Top-level nodes are at depth 0, elements inside the root from 1 on. Only elements
    // have children. The type of a node that is none is `node_null`: one call tells both.
    std::size_t depth = 0;
    pugi::xml_node node = m_Document.first_child();
    pugi::xml_node_type type = node.type();
    while (type != pugi::node_null) {
        switch (type) {
        case pugi::node_element:
            if (depth + 1 > maxDepth) {
                Fail(u"Elements nested deeper than " + MessageText(std::to_string(maxDepth)) + u" levels", {},
                    kTooDeepLine, StartOf(node));
            }
            if (!CheckElement(node)) {
                break;
            }
            if (pugi::xml_node const child = node.first_child(); (type = child.type()) != pugi::node_null) {
                node = child;
                ++depth;
                continue;
            }
            break;
        case pugi::node_pcdata:
            Check(node.value(), Data::Text);
            m_ElementsOnly = m_ElementsOnly && depth == 0;
            break;
        case pugi::node_cdata:
            Check(node.value(), Data::Raw);
            m_ElementsOnly = m_ElementsOnly && depth == 0;
            break;
        case pugi::node_comment:
            CheckComment(node);
            m_ElementsOnly = m_ElementsOnly && depth == 0;
            break;
        case pugi::node_pi:
            CheckInstruction(node);
            m_ElementsOnly = m_ElementsOnly && depth == 0;
            break;
        default:
            m_ElementsOnly = m_ElementsOnly && depth == 0;
            break;
        }
        // On to the next sibling, or that of the nearest ancestor that has one.
        for (;;) {
            pugi::xml_node const next = node.next_sibling();
            if ((type = next.type()) != pugi::node_null) {
                node = next;
                break;
            }
            if (depth == 0) {
                return;
            }
            node = node.parent();
            --depth;
        }
    }
}

bool XmlDocument::CheckElement(pugi::xml_node element)
{
    // The parser reads ASCII names by the XML rules: other names are judged here.
    char const* const name = element.name();
    char const* const end = AsciiEnd(name);
    if (*end != 0) {
        JudgeName(name, true);
    }
    // A start tag that ends where its name does has no attributes to ask the parser for.
    char const* const nameEnd = *end == 0 ? end : end + std::strlen(end);
    if (m_Text[OffsetOf(nameEnd)] == '>') {
        // The element's own text, if any, follows the start tag up to the next markup
        // (a stored text ends at its terminator, which stands over that '<').
        char const* const text = nameEnd + 1;
        char const* const stop
            = reinterpret_cast<char const*>(SkipPlain(reinterpret_cast<unsigned char const*>(text), true));
        if (*stop != 0 && *stop != '<') {
            Judge(text, Data::Text);
            return true;
        }
        // Plain text (or none) up to an end tag: the element's own.
        return stop[1] != '/';
    }
    CheckStartTag(element, name);
    return true;
}

void XmlDocument::CheckStartTag(pugi::xml_node element, char const* name)
{
    if (pugi::xml_attribute const first = element.first_attribute()) {
        m_LastAttributed = name;
        // The names of the few attributes of ordinary elements are kept for the check of
        // repeats, which then compares lengths before bytes.
        std::array<std::string_view, kPairwiseAttributes> names;
        std::size_t count = 0;
        for (pugi::xml_attribute attribute = first; attribute; attribute = attribute.next_attribute()) {
            char const* const attributeName = attribute.name();
            char const* const end = AsciiEnd(attributeName);
            if (*end != 0) {
                JudgeName(attributeName, false);
            }
            Check(attribute.value(), Data::Attribute);
            if (count < names.size()) {
                std::size_t const length
                    = static_cast<std::size_t>(end - attributeName) + (*end == 0 ? 0 : std::strlen(end));
                names[count] = std::string_view(attributeName, length);
            }
            ++count;
        }
        if (count > names.size()) {
            CheckDuplicates(element, count);
        } else {
            for (std::size_t i = 1; i < count; ++i) {
                for (std::size_t k = 0; k < i; ++k) {
                    if (names[k] == names[i]) {
                        FailDuplicate(AttributeAt(element, i));
                    }
                }
            }
        }
    }
    Check(element.value(), Data::Text);
}

void XmlDocument::Check(char const* raw, Data kind) const
{
    // The usual text is a short run of plain ASCII, judged a block at a time here; the
    // parser's own empty string lies outside the buffer and is not read in blocks.
    if (*raw == 0) {
        return;
    }
    unsigned char const stop = *SkipPlain(reinterpret_cast<unsigned char const*>(raw), true);
    if (stop != 0 && !(stop == '<' && kind == Data::Text)) {
        Judge(raw, kind);
    }
}

pugi::xml_attribute XmlDocument::AttributeAt(pugi::xml_node element, std::size_t index)
{
    pugi::xml_attribute attribute = element.first_attribute();
    for (; index > 0; --index) {
        attribute = attribute.next_attribute();
    }
    return attribute;
}

void XmlDocument::FailDuplicate(pugi::xml_attribute attribute) const
{
    Fail(u"Duplicate attribute " + Quoted(attribute.name(), std::strlen(attribute.name())), {}, kDuplicateAttributeLine,
        StartOf(attribute));
}

void XmlDocument::CheckDuplicates(pugi::xml_node element, std::size_t count) const
{
    // The names sorted (with their places, so that the first repeat in the text is the one
    // refused): a hash set of a million names costs more in cache misses than the sort.
    // Sorted by a hash of the name first, so that the sort compares numbers where the names
    // differ (which their bytes, far apart in memory, would make slow), then by the name
    // (so that even names made to collide sort in n log n), then by the place in the text.
    struct Entry {
        std::size_t hash;
        std::string_view name;
        pugi::xml_attribute attribute;
    };
    std::vector<Entry> names;
    names.reserve(count);
    for (pugi::xml_attribute attribute = element.first_attribute(); attribute; attribute = attribute.next_attribute()) {
        std::string_view const name = attribute.name();
        names.push_back({std::hash<std::string_view> {}(name), name, attribute});
    }
    // The names lie in the text in its order, so their addresses give the order of the text.
    std::sort(names.begin(), names.end(), [](Entry const& a, Entry const& b) {
        if (a.hash != b.hash) {
            return a.hash < b.hash;
        }
        return a.name != b.name ? a.name < b.name : a.name.data() < b.name.data();
    });
    char const* first = nullptr;
    pugi::xml_attribute repeat;
    for (std::size_t i = 1; i < names.size(); ++i) {
        if (names[i].hash == names[i - 1].hash && names[i].name == names[i - 1].name
            && (first == nullptr || names[i].name.data() < first)) {
            first = names[i].name.data();
            repeat = names[i].attribute;
        }
    }
    if (repeat) {
        FailDuplicate(repeat);
    }
}

void XmlDocument::CheckDeclaration(pugi::xml_node declaration)
{
    std::size_t const at = OffsetOf(declaration.name()) - 2;
    auto const fail = [&] { Fail(u"Malformed XML declaration", {}, kDeclarationFormLine, at); };
    pugi::xml_attribute attribute = declaration.first_attribute();
    // version="1.x", then optionally the encoding, then optionally standalone, nothing else.
    std::string_view const version = attribute && std::strcmp(attribute.name(), "version") == 0
        ? std::string_view(attribute.value())
        : std::string_view();
    if (version.size() < 3 || !version.starts_with("1.")
        || !std::all_of(version.begin() + 2, version.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        fail();
    }
    attribute = attribute.next_attribute();
    if (attribute && std::strcmp(attribute.name(), "encoding") == 0) {
        std::string_view const encoding = attribute.value();
        bool const wellFormed = !encoding.empty()
            && ((encoding[0] >= 'a' && encoding[0] <= 'z') || (encoding[0] >= 'A' && encoding[0] <= 'Z'))
            && std::all_of(encoding.begin(), encoding.end(), [](char c) {
                   return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.'
                       || c == '_' || c == '-';
               });
        if (!wellFormed) {
            fail();
        }
        std::optional<TextForm> const declared = FormOfName(encoding);
        if (!declared) {
            Fail(u"Unsupported encoding " + Quoted(encoding.data(), encoding.size()), {}, kEncodingLine,
                StartOf(attribute));
        }
        // The text was read in the encoding its mark or this declaration gave; a mark
        // decides UTF-8 or UTF-16 (the declaration then names no byte order).
        bool const utf16 = m_Form == TextForm::Utf16LE || m_Form == TextForm::Utf16BE;
        if (utf16 ? *declared != TextForm::Utf16LE : *declared != m_Form) {
            Fail(u"Encoding " + Quoted(encoding.data(), encoding.size()) + u" contradicts the byte order mark", {},
                kEncodingLine, StartOf(attribute));
        }
        attribute = attribute.next_attribute();
    }
    if (attribute && std::strcmp(attribute.name(), "standalone") == 0) {
        std::string_view const standalone = attribute.value();
        if (standalone != "yes" && standalone != "no") {
            fail();
        }
        attribute = attribute.next_attribute();
    }
    if (attribute) {
        fail();
    }
}

void XmlDocument::CheckComment(pugi::xml_node comment) const
{
    char const* const value = comment.value();
    char const* const dashes = std::strstr(value, "--");
    std::size_t const length = std::strlen(value);
    if (dashes != nullptr || (length != 0 && value[length - 1] == '-')) {
        Fail(u"'--' inside a comment", {}, kCommentDashesLine,
            OffsetOf(dashes != nullptr ? dashes : value + length - 1));
    }
    Judge(value, Data::Raw);
}

void XmlDocument::CheckInstruction(pugi::xml_node instruction) const
{
    // A target "xml" in any case is taken for a declaration by the parser.
    JudgeName(instruction.name(), false);
    Judge(instruction.value(), Data::Raw);
}

void XmlDocument::Judge(char const* raw, Data kind) const
{
    auto const* it = reinterpret_cast<unsigned char const*>(raw);
    // Empty texts are the parser's own empty string, outside the buffer.
    bool const inBuffer = OffsetOf(raw) != 0 || raw == m_Buffer.get();
    for (;;) {
        it = SkipPlain(it, inBuffer);
        unsigned char const c = *it;
        if (c == 0) {
            return;
        }
        char const* const at = reinterpret_cast<char const*>(it);
        if (c >= 0x80) {
            // A zero byte ends the text and fits no sequence, so 4 bytes may be looked at.
            Utf8Sequence const sequence = DecodeUtf8(it, 4, m_Legacy);
            if (sequence.length == 0) {
                Fail(u"Invalid UTF-8", {}, kInvalidUtf8Line, OffsetOf(at));
            }
            it += sequence.length;
            continue;
        }
        if (c == '&' && kind != Data::Raw) {
            it += JudgeReference(at);
            continue;
        }
        if (c == '<' && kind == Data::Attribute) {
            Fail(u"'<' in an attribute value", {}, kLessThanInAttributeLine, OffsetOf(at));
        }
        if (c == '<' && kind == Data::Text) {
            // Text ends at markup: in the buffer a stored text ends at its terminator
            // instead, but a run read from a start tag's end meets the next tag.
            return;
        }
        if (c == ']' && kind == Data::Text && it[1] == ']' && it[2] == '>') {
            Fail(u"']]>' in text", {}, kCdataEndInTextLine, OffsetOf(at));
        }
        ++it;
    }
}

std::size_t XmlDocument::JudgeReference(char const* at) const
{
    // The entities the encoder writes, known at a glance (the buffer is padded).
    if (Entity const* const entity = EntityAt(at)) {
        return entity->reference.size();
    }
    char const* end = at + 1;
    if (*end == '#') {
        bool const hex = end[1] == 'x';
        end += hex ? 2 : 1;
        char const* const digits = end;
        char32_t cp = 0;
        for (; *end != ';' && *end != 0 && end - digits < 10; ++end) {
            char const d = *end;
            int const value = d >= '0' && d <= '9'              ? d - '0'
                : hex && (d | 0x20) >= 'a' && (d | 0x20) <= 'f' ? (d | 0x20) - 'a' + 10
                                                                : -1;
            if (value < 0) {
                break;
            }
            // Past U+10FFFF the value stays too large instead of wrapping around.
            cp = std::min<char32_t>(cp * (hex ? 16 : 10) + static_cast<char32_t>(value), 0x110000);
        }
        if (end == digits || *end != ';' || !IsXmlChar(cp)) {
            Fail(u"Invalid character reference " + Quoted(at, static_cast<std::size_t>(end - at) + 1), {},
                kCharacterReferenceLine, OffsetOf(at));
        }
        return static_cast<std::size_t>(end + 1 - at);
    }
    auto const isNameByte = [](char b, bool first) {
        auto const u = static_cast<unsigned char>(b);
        return u >= 0x80 || IsNameStart(u) || (!first && IsNameChar(u));
    };
    while (*end != 0 && isNameByte(*end, end == at + 1) && end - at < 64) {
        ++end;
    }
    if (end == at + 1 || *end != ';') {
        Fail(u"'&' not starting a reference", {}, kBareAmpersandLine, OffsetOf(at));
    }
    // A name and its ';' that are none of the five.
    Fail(u"Undefined entity " + Quoted(at, static_cast<std::size_t>(end - at) + 1), {}, kUndefinedEntityLine,
        OffsetOf(at));
}

void XmlDocument::JudgeName(char const* name, bool element) const
{
    auto const* const first = reinterpret_cast<unsigned char const*>(name);
    auto const invalid
        = [&] { Fail(u"Invalid name " + Quoted(name, std::strlen(name)), {}, kInvalidNameLine, OffsetOf(name)); };
    bool legacy = false;
    for (auto const* it = first; *it != 0;) {
        Utf8Sequence const sequence = DecodeUtf8(it, 4);
        if (sequence.length == 0) {
            if (!m_Legacy || !element) {
                Fail(u"Invalid UTF-8", {}, kInvalidUtf8Line, OffsetOf(reinterpret_cast<char const*>(it)));
            }
            legacy = true;
            break;
        }
        if (!(it == first ? IsNameStart(sequence.codePoint) : IsNameChar(sequence.codePoint))) {
            invalid();
        }
        it += sequence.length;
    }
    if (!legacy) {
        return;
    }
    // An element name written by an older producer: one byte per unit, its low 8
    // bits. The units still have to make a name, so that it is written again as one.
    for (auto const* it = first; *it != 0; ++it) {
        if (!(it == first ? IsNameStart(*it) : IsNameChar(*it))) {
            invalid();
        }
    }
}

std::size_t XmlDocument::AppendCharacterData(
    std::u16string& room, std::size_t at, char const* value, bool raw, char const*& end)
{
    // The data was judged when the document was parsed: here it is only decoded. It has no
    // more units than bytes, and 16 units may be written past its end while widening.
    std::size_t const length = std::strlen(value);
    end = value + length;
    if (length == 0) {
        // Perhaps the parser's own empty string, outside the buffer: not read in blocks.
        return at;
    }
    if (room.size() < at + length + 16) {
        // A long text gets room for its units, counted, not for its bytes: as many again
        // for text in a script of 2 or 3 bytes a character.
        std::size_t const units = length < kCountedUnits ? length : UnitsAtMost(value, length);
        room.resize(std::max(at + units + 16, std::min(2 * room.size(), at + length + 16)));
    }
    return static_cast<std::size_t>(DecodeJudged(value, length, room.data() + at, raw) - room.data());
}

std::u16string XmlDocument::Where(std::size_t offset) const
{
    offset = std::min(offset, m_Size);
    std::size_t line = 1;
    std::size_t column = 1;
    Walk(0, offset, [&](char c) {
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++column;
        }
        return true;
    });
    return u"line " + MessageText(std::to_string(line)) + u", column " + MessageText(std::to_string(column));
}

std::size_t XmlDocument::Find(char c, std::size_t from) const
{
    from = std::min(from, m_Size);
    if (!m_Sealed) {
        std::size_t const at = m_Text.find(c, from);
        return at == std::string_view::npos ? m_Size : at;
    }
    return Walk(from, m_Size, [c](char byte) { return byte != c; });
}

char XmlDocument::OriginalAt(std::size_t offset) const
{
    return m_Sealed ? m_Overwritten.At(offset).Next() : m_Text[offset];
}

std::size_t XmlDocument::OffsetOf(char const* pointer) const noexcept
{
    char const* const first = m_Buffer.get();
    if (pointer < first || pointer > first + m_Size) {
        return 0;
    }
    return static_cast<std::size_t>(pointer - first);
}

std::size_t XmlDocument::StartOf(pugi::xml_node element) const noexcept
{
    std::size_t const name = OffsetOf(element.name());
    return name == 0 ? 0 : name - 1;
}

std::size_t XmlDocument::StartOf(pugi::xml_attribute attribute) const noexcept
{
    return OffsetOf(attribute.name());
}

void XmlDocument::Fail(
    std::u16string const& what, std::u16string const& path, DecoderLine line, std::size_t offset) const
{
    std::u16string message = what;
    if (!path.empty()) {
        message += u" in ";
        message += path;
    }
    message += u" at ";
    message += Where(offset);
    RaiseDecoder(message, line);
}

std::u16string XmlDocument::Name(pugi::xml_node element) const
{
    // Names were judged with the document: here they are only decoded.
    char const* const name = element.name();
    char const* const end = AsciiEnd(name);
    std::u16string decoded;
    AppendAscii(decoded, name, static_cast<std::size_t>(end - name));
    if (*end == 0) {
        return decoded;
    }
    auto const* it = reinterpret_cast<unsigned char const*>(end);
    for (; *it != 0;) {
        Utf8Sequence const sequence = DecodeUtf8(it, 4);
        if (sequence.length == 0) {
            // A legacy name: one byte per unit.
            decoded.clear();
            for (it = reinterpret_cast<unsigned char const*>(name); *it != 0; ++it) {
                decoded.push_back(*it);
            }
            break;
        }
        AppendUtf16(decoded, sequence.codePoint);
        it += sequence.length;
    }
    return decoded;
}

std::u16string XmlDocument::Value(pugi::xml_attribute attribute) const
{
    // The usual value is short: decoded on the stack and copied at its size.
    constexpr std::size_t kShort = 112;
    char const* const raw = attribute.value();
    if (std::size_t const length = std::strlen(raw); length != 0 && length + 16 <= kShort) {
        std::array<char16_t, kShort> units;
        char16_t const* const end = DecodeJudged(raw, length, units.data(), false);
        return std::u16string(units.data(), static_cast<std::size_t>(end - units.data()));
    }
    std::u16string value;
    char const* end = nullptr;
    value.resize(AppendCharacterData(value, 0, raw, false, end));
    return value;
}

bool XmlDocument::HasText(pugi::xml_node element) const
{
    if (!IsBlank(element.value())) {
        return true;
    }
    if (m_ElementsOnly) {
        return false;
    }
    for (pugi::xml_node child = element.first_child(); child; child = child.next_sibling()) {
        pugi::xml_node_type const type = child.type();
        if (type == pugi::node_cdata || (type == pugi::node_pcdata && !IsBlank(child.value()))) {
            return true;
        }
    }
    return false;
}

std::size_t XmlDocument::StartTagEnd(pugi::xml_node element, bool& empty) const
{
    // After the name or the closing quote of the last value, only whitespace and "/"
    // stand before the '>'.
    pugi::xml_attribute const last = element.last_attribute();
    char const* const end = last ? last.value() : element.name();
    std::size_t const close = Find('>', OffsetOf(end) + std::strlen(end));
    empty = OriginalAt(close - 1) == '/';
    return close + 1;
}

std::size_t XmlDocument::EndOf(pugi::xml_node node) const
{
    // Down the chain of last children; each element on it then ends at the '>'
    // of its end tag, after only whitespace.
    std::size_t open = 0;
    while (node.type() == pugi::node_element && node.last_child()) {
        node = node.last_child();
        ++open;
    }
    std::size_t end = 0;
    switch (node.type()) {
    case pugi::node_element: {
        bool empty = false;
        end = StartTagEnd(node, empty);
        if (!empty) {
            // Past its text, which may hold a '>' of its own.
            char const* const value = node.value();
            end = Find('>', *value != 0 ? OffsetOf(value) + std::strlen(value) : end) + 1;
        }
        break;
    }
    case pugi::node_pcdata:
        end = OffsetOf(node.value()) + std::strlen(node.value());
        break;
    case pugi::node_cdata:
    case pugi::node_comment:
        end = OffsetOf(node.value()) + std::strlen(node.value()) + 3;
        break;
    default: {
        char const* const value = node.value();
        char const* const last = OffsetOf(value) != 0 ? value : node.name();
        end = Find('>', OffsetOf(last) + std::strlen(last)) + 1;
        break;
    }
    }
    for (; open != 0; --open) {
        end = Find('>', end) + 1;
    }
    return end;
}

std::u16string XmlDocument::InnerMarkup(pugi::xml_node element) const
{
    bool empty = false;
    std::size_t const start = StartTagEnd(element, empty);
    if (empty) {
        return {};
    }
    // The content ends where the end tag starts: after the last child and whitespace, or
    // at the end of the element's own text.
    std::size_t content = start;
    if (element.last_child()) {
        content = EndOf(element.last_child());
    }
    std::size_t const endTag = Find('<', content);
    std::string markup;
    markup.reserve(endTag - start);
    Walk(start, endTag, [&markup](char c) {
        markup.push_back(c);
        return true;
    });
    return MessageText(markup);
}

} // namespace Tarnwick::Encoding::Detail
