#include "encoding/XmlDocument.h"

#include "core/Bytes16.h"
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
using Tarnwick::Detail::DecodeUtf8;
using Tarnwick::Detail::Mask16;
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

/// Whether the bytes the walk notes as replaced are compared with a scan of the whole
/// text, aborting on a difference: in builds with assertions and in fuzzing builds.
#if !defined(NDEBUG) || defined(FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION)
constexpr bool kVerifyPatches = true;
#else
constexpr bool kVerifyPatches = false;
#endif

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

/// Zero bytes after the text in the buffer: its terminator, and room to read a block of 16
/// bytes from anywhere up to it, or four blocks and the byte after them.
constexpr std::size_t kPadding = 65;

constexpr bool IsXmlSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

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

void AppendCodePoint(std::u16string& out, char32_t cp)
{
    AppendUtf16(out, cp);
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

/// The length of "&lt;", "&gt;", "&amp;" or "&quot;" at `at`, or 0 for anything else;
/// reads up to 6 bytes.
std::size_t KnownEntity(char const* at)
{
    if (std::memcmp(at, "&lt;", 4) == 0 || std::memcmp(at, "&gt;", 4) == 0) {
        return 4;
    }
    if (std::memcmp(at, "&amp;", 5) == 0) {
        return 5;
    }
    return std::memcmp(at, "&quot;", 6) == 0 ? 6 : 0;
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
    char32_t cp = 0;
    ++it;
    if (*it == '#') {
        bool const hex = it[1] == 'x';
        for (it += hex ? 2 : 1; *it != ';'; ++it) {
            unsigned const d = *it;
            cp = cp * (hex ? 16 : 10) + (d <= '9' ? d - '0' : (d | 0x20) - 'a' + 10);
        }
    } else {
        // lt, gt, amp, apos, quot: told apart by their first two letters.
        cp = it[0] == 'l' ? U'<' : it[0] == 'g' ? U'>' : it[0] == 'q' ? U'"' : it[1] == 'm' ? U'&' : U'\'';
        while (*it != ';') {
            ++it;
        }
    }
    if (cp >= 0x10000) {
        *to++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
        *to++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
        *to++ = static_cast<char16_t>(cp);
    }
    return it + 1;
}

} // namespace

XmlDocument::XmlDocument(std::string_view text, XmlDecoderLimits const& limits)
    : m_Original(text)
    , m_Size(text.size())
    , m_Legacy(limits.AcceptLegacyBytes)
{
    Parse(limits);
    RecordPatches();
    m_Original = {};
    m_Transcoded = std::string();
}

void XmlDocument::Parse(XmlDecoderLimits const& limits)
{
    if (m_Size > limits.MaxTextBytes) {
        RaiseTextTooLong(limits.MaxTextBytes);
    }
    Transcode(limits);
    // The parser's own copy, ended by a zero byte it may use as the end of the last text.
    // Zero bytes after it, so that the text can be read in blocks up to its end. The text
    // itself holds none: the parser would take one for the end of the text.
    m_Buffer = std::make_unique_for_overwrite<char[]>(m_Size + kPadding);
    if (std::size_t const zero = CopyFindingZero(m_Buffer.get(), m_Original.data(), m_Size); zero != m_Size) {
        Fail(u"Null character", {}, kNullCharacterLine, zero);
    }
    std::memset(m_Buffer.get() + m_Size, 0, kPadding);
    if (!WithinLimits(limits)) {
        Prescan(limits);
    }
    pugi::xml_parse_result const result
        = m_Document.load_buffer_inplace(m_Buffer.get(), m_Size + 1, kParseOptions, pugi::encoding_utf8);
    if (!result) {
        FailParse(result);
    }
    // Room at once for the notes of a usual message: its declaration and eight header attributes.
    constexpr std::size_t kUsualPatches = 32;
    m_PatchAt.reserve(kUsualPatches);
    m_PatchByte.reserve(kUsualPatches);
    CheckTopLevel();
    CheckTree(limits.MaxDepth);
}

void XmlDocument::Transcode(XmlDecoderLimits const& limits)
{
    std::string_view const text = m_Original;
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
            return;
        case TextForm::Ascii:
            if (std::size_t const at = FirstNonAscii(text); at != text.size()) {
                static constexpr char kHex[] = "0123456789ABCDEF";
                auto const byte = static_cast<unsigned char>(text[at]);
                Fail(std::u16string(u"Non-ASCII byte 0x") + char16_t(kHex[byte >> 4]) + char16_t(kHex[byte & 0xF])
                        + u" in US-ASCII text",
                    {}, kNotAsciiLine, at);
            }
            return;
        case TextForm::Latin1:
            transcoded = FromLatin1(text);
            break;
        default:
            Fail(u"UTF-16 text without a byte order mark", {}, kUtf16WithoutMarkLine, 0);
        }
    }
    m_Transcoded = std::move(transcoded.text);
    m_Original = m_Transcoded;
    m_Size = m_Transcoded.size();
    // Positions count the characters read so far, as for any other text.
    if (!transcoded.complete) {
        Fail(u"Invalid UTF-16", {}, kInvalidUtf16Line, m_Size);
    }
    // The limit holds for the text the parser reads, too.
    if (m_Size > limits.MaxTextBytes) {
        RaiseTextTooLong(limits.MaxTextBytes);
    }
}

bool XmlDocument::WithinLimits(XmlDecoderLimits const& limits) const
{
    // Every '<' not followed by '/' is counted as a start: no fewer than the starts of
    // elements, comments, processing instructions and CDATA sections. The nesting grows
    // by no more than the starts within 64 bytes, and is followed 64 bytes at a time from
    // the starts, the end tags and the "/>" (which markup inside a comment or a value may
    // miscount either way: the walk after the parse judges the nesting again, within the
    // bounded count of elements).
    char const* const text = m_Buffer.get();
    std::size_t starts = 0;
    std::size_t depth = 0;
    for (std::size_t base = 0; base < m_Size; base += 64) {
        std::uint64_t less = 0;
        std::uint64_t slash = 0;
        std::uint64_t greater = 0;
        for (unsigned block = 0; block < 4; ++block) {
            Bytes16 const bytes(text + base + 16 * block);
            less |= std::uint64_t(bytes.Equal('<').Bits()) << (16 * block);
            slash |= std::uint64_t(bytes.Equal('/').Bits()) << (16 * block);
            greater |= std::uint64_t(bytes.Equal('>').Bits()) << (16 * block);
        }
        if ((less | slash) == 0) {
            continue;
        }
        // The byte after each: the last one's lies beyond (in the padding at the end).
        char const after = text[base + 64];
        std::uint64_t const slashNext = (slash >> 1) | (after == '/' ? std::uint64_t(1) << 63 : 0);
        std::uint64_t empty = slash & ((greater >> 1) | (after == '>' ? std::uint64_t(1) << 63 : 0));
        if (m_Size - base < 64) {
            std::uint64_t const inside = (std::uint64_t(1) << (m_Size - base)) - 1;
            less &= inside;
            empty &= inside;
        }
        std::size_t const opened = BitCount(less & ~slashNext);
        std::size_t const closed = BitCount((less & slashNext) | empty);
        starts += opened;
        if (starts > limits.MaxElements || depth + opened > limits.MaxDepth) {
            return false;
        }
        depth = depth + opened > closed ? depth + opened - closed : 0;
    }
    return true;
}

void XmlDocument::Prescan(XmlDecoderLimits const& limits)
{
    // Each start tag, comment, processing instruction and CDATA section costs the parser
    // a node (and a text beside it at most one more), so counting them bounds its memory;
    // the nesting is followed here too, so that a deep text is refused before it is
    // parsed. Only the bytes that change the state are looked at, found 16 at a time in
    // the padded buffer: '<', '>' and the quotes. Run where the estimate above leaves a
    // doubt, and for the place of an element a text cut short leaves open.
    char const* const text = m_Buffer.get();
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
        std::size_t const at = m_Original.find(end, std::min(from, size));
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
            } else if (m_Original.compare(at, 4, "<!--") == 0) {
                next = past("-->", at + 4);
            } else if (m_Original.compare(at, 9, "<![CDATA[") == 0) {
                next = past("]]>", at + 9);
            } else if (open.empty() && m_Original.compare(at, 9, "<!DOCTYPE") == 0) {
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
    Prescan(unlimited);
    std::size_t offset = std::min(static_cast<std::size_t>(std::max<std::ptrdiff_t>(result.offset, 0)), m_Size);
    auto const endsInside = [&] {
        std::size_t const name = m_OpenAt + 1;
        std::size_t nameEnd = name;
        while (nameEnd < m_Size && !IsXmlSpace(static_cast<unsigned char>(m_Original[nameEnd]))
            && m_Original[nameEnd] != '>' && m_Original[nameEnd] != '/') {
            ++nameEnd;
        }
        Fail(u"Text ends inside element " + Quoted(m_Original.data() + name, nameEnd - name), {}, kEndsInsideLine,
            m_OpenAt);
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
        offset = std::min(m_Original.rfind('<', offset), offset);
        break;
    case pugi::status_bad_start_element:
    case pugi::status_bad_attribute:
    case pugi::status_bad_end_element:
        // The parser points past the character at fault, or at the end of a name: the tag
        // is read again by its grammar. No '<' stands inside a tag before the fault.
        if (std::size_t const start = m_Original.rfind('<', offset); start != std::string_view::npos) {
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
    std::string_view const text = m_Original;
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
    std::size_t const start = m_Original.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
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
            std::size_t const at = m_Original.rfind('<', OffsetOf(node.value()));
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
    // What the parser replaced before the root: in the declaration, comments and
    // processing instructions. The walk notes the rest.
    ScanPatches(0, StartOf(m_Root), m_PatchAt, m_PatchByte);
}

void XmlDocument::CheckTree(std::size_t maxDepth)
{
    // The parser's own walk, without recursion and without a call per step. A fault is
    // carried out of it and raised here, so that nothing unwinds through the parser.
    class Walker : public pugi::xml_tree_walker {
    public:
        Walker(XmlDocument& document, std::size_t maxDepth)
            : m_Document(document)
            , m_MaxDepth(maxDepth)
        { }

        bool for_each(pugi::xml_node& node) override
        {
            try {
                switch (node.type()) {
                case pugi::node_element:
                    // Elements at the top are at depth 0, inside one level.
                    if (static_cast<std::size_t>(depth()) + 1 > m_MaxDepth) {
                        m_Document.Fail(
                            u"Elements nested deeper than " + MessageText(std::to_string(m_MaxDepth)) + u" levels", {},
                            kTooDeepLine, m_Document.StartOf(node));
                    }
                    m_SeenRoot = true;
                    m_Document.CheckElement(node);
                    break;
                case pugi::node_pcdata:
                    m_Document.Check(node.value(), Data::Text);
                    m_Document.m_ElementsOnly = m_Document.m_ElementsOnly && depth() == 0;
                    break;
                case pugi::node_cdata:
                    m_Document.Check(node.value(), Data::Raw);
                    Unusual();
                    break;
                case pugi::node_comment:
                    m_Document.CheckComment(node);
                    Unusual();
                    break;
                case pugi::node_pi:
                    m_Document.CheckInstruction(node);
                    Unusual();
                    break;
                default:
                    Unusual();
                    break;
                }
                return true;
            } catch (...) {
                m_Failure = std::current_exception();
                return false;
            }
        }

        std::exception_ptr m_Failure;

    private:
        /// A node other than elements and text: inside the root the decoder cannot take
        /// the elements for all there is, and from the root on the walk does not note
        /// what the parser replaced in it.
        void Unusual()
        {
            m_Document.m_ElementsOnly = m_Document.m_ElementsOnly && depth() == 0;
            m_Document.m_Unusual = m_Document.m_Unusual || m_SeenRoot;
        }

        bool m_SeenRoot = false;

        XmlDocument& m_Document;
        std::size_t m_MaxDepth;
    };
    Walker walker(*this, maxDepth);
    m_Document.traverse(walker);
    if (walker.m_Failure) {
        std::rethrow_exception(walker.m_Failure);
    }
}

void XmlDocument::CheckElement(pugi::xml_node element)
{
    // The parser reads ASCII names by the XML rules: other names are judged here.
    char const* const name = element.name();
    char const* const end = AsciiEnd(name);
    if (*end != 0) {
        ScanName(name, nullptr, true);
    }
    // A start tag that ends where its name does has no attributes to ask the parser for.
    char const* const nameEnd = *end == 0 ? end : end + std::strlen(end);
    if (m_Original[OffsetOf(nameEnd)] == '>') {
        // The element's own text, if any, follows the start tag up to the next markup
        // (a stored text ends at its terminator, which stands over that '<').
        unsigned char const stop = *SkipPlain(reinterpret_cast<unsigned char const*>(nameEnd + 1), true);
        if (stop != 0 && stop != '<') {
            Scan(nameEnd + 1, Data::Text, nullptr);
        }
        return;
    }
    CheckStartTag(element, name, nameEnd);
}

void XmlDocument::CheckStartTag(pugi::xml_node element, char const* name, char const* nameEnd)
{
    NotePatch(nameEnd);
    if (pugi::xml_attribute const first = element.first_attribute()) {
        m_LastAttributed = name;
        // The names of the few attributes of ordinary elements are kept for the check of
        // repeats, which then compares lengths before bytes.
        std::array<std::string_view, kPairwiseAttributes> names;
        std::size_t count = 0;
        for (pugi::xml_attribute attribute = first; attribute; attribute = attribute.next_attribute()) {
            char const* const attributeName = attribute.name();
            char const* const value = attribute.value();
            ScanName(attributeName, nullptr, false);
            Scan(value, Data::Attribute, nullptr);
            // The parser ends the name at '=' or a space, and the value at its closing quote.
            std::size_t const length = std::strlen(attributeName);
            NotePatch(attributeName + length);
            NotePatch(value + std::strlen(value));
            if (count < names.size()) {
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
        Scan(raw, kind, nullptr);
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
    Scan(value, Data::Raw, nullptr);
}

void XmlDocument::CheckInstruction(pugi::xml_node instruction) const
{
    // A target "xml" in any case is taken for a declaration by the parser.
    ScanName(instruction.name(), nullptr, false);
    Scan(instruction.value(), Data::Raw, nullptr);
}

void XmlDocument::Scan(char const* raw, Data kind, std::u16string* out) const
{
    auto const* it = reinterpret_cast<unsigned char const*>(raw);
    // Empty texts are the parser's own empty string, outside the buffer.
    bool const inBuffer = OffsetOf(raw) != 0 || raw == m_Buffer.get();
    for (;;) {
        // The run of bytes that stand for themselves, taken whole.
        auto const* const run = it;
        it = SkipPlain(it, inBuffer);
        if (out != nullptr && it != run) {
            AppendAscii(*out, reinterpret_cast<char const*>(run), static_cast<std::size_t>(it - run));
        }
        if (*it == 0) {
            return;
        }
        unsigned char const c = *it;
        if (c >= 0xC2 && c <= 0xDF && (it[1] & 0xC0) == 0x80) {
            // The usual non-ASCII character, of two bytes.
            if (out != nullptr) {
                out->push_back(static_cast<char16_t>(((c & 0x1F) << 6) | (it[1] & 0x3F)));
            }
            it += 2;
            continue;
        }
        if (c >= 0x80) {
            // A zero byte ends the text and fits no sequence, so 4 bytes may be looked at.
            Utf8Sequence const sequence = DecodeUtf8(it, 4, m_Legacy);
            if (sequence.length == 0) {
                Fail(u"Invalid UTF-8", {}, kInvalidUtf8Line, OffsetOf(reinterpret_cast<char const*>(it)));
            }
            if (out != nullptr) {
                AppendCodePoint(*out, sequence.codePoint);
            }
            it += sequence.length;
            continue;
        }
        char const* const at = reinterpret_cast<char const*>(it);
        if (c == '&' && kind != Data::Raw) {
            // The entities the encoder writes, known at a glance (the buffer is padded).
            if (std::size_t const length = KnownEntity(at); length != 0) {
                if (out != nullptr) {
                    AppendCodePoint(*out, at[1] == 'l' ? U'<' : at[1] == 'g' ? U'>' : at[1] == 'q' ? U'"' : U'&');
                }
                it += length;
                continue;
            }
            char const* end = at + 1;
            char32_t cp = 0;
            if (*end == '#') {
                bool const hex = end[1] == 'x';
                end += hex ? 2 : 1;
                char const* const digits = end;
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
            } else {
                auto const isNameByte = [](char b, bool first) {
                    auto const u = static_cast<unsigned char>(b);
                    return u >= 0x80 || IsNameStart(u) || (!first && IsNameChar(u));
                };
                while (*end != 0 && isNameByte(*end, end == at + 1) && end - at < 64) {
                    ++end;
                }
                std::string_view const name(at + 1, static_cast<std::size_t>(end - at - 1));
                if (name.empty() || *end != ';') {
                    Fail(u"'&' not starting a reference", {}, kBareAmpersandLine, OffsetOf(at));
                }
                cp = name == "lt"    ? U'<'
                    : name == "gt"   ? U'>'
                    : name == "amp"  ? U'&'
                    : name == "quot" ? U'"'
                    : name == "apos" ? U'\''
                                     : 0;
                if (cp == 0) {
                    Fail(u"Undefined entity " + Quoted(at, name.size() + 2), {}, kUndefinedEntityLine, OffsetOf(at));
                }
            }
            if (out != nullptr) {
                AppendCodePoint(*out, cp);
            }
            it = reinterpret_cast<unsigned char const*>(end + 1);
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
        if (out != nullptr) {
            out->push_back(c);
        }
        ++it;
    }
}

void XmlDocument::ScanName(char const* name, std::u16string* out, bool element) const
{
    auto const* const first = reinterpret_cast<unsigned char const*>(name);
    auto const invalid
        = [&] { Fail(u"Invalid name " + Quoted(name, std::strlen(name)), {}, kInvalidNameLine, OffsetOf(name)); };
    // The usual name is ASCII, which the parser reads by the XML rules for names: only
    // judged again while decoding, and taken whole.
    auto const* ascii = first;
    if (out == nullptr) {
        while (*ascii != 0 && *ascii < 0x80) {
            ++ascii;
        }
    }
    for (std::uint8_t rule = kStartsName; *ascii != 0 && *ascii < 0x80; ++ascii, rule = kInName) {
        if ((kAsciiName[*ascii] & rule) == 0) {
            invalid();
        }
    }
    if (*ascii == 0) {
        if (out != nullptr) {
            AppendAscii(*out, name, static_cast<std::size_t>(ascii - first));
        }
        return;
    }
    std::size_t const start = out != nullptr ? out->size() : 0;
    if (out != nullptr) {
        AppendAscii(*out, name, static_cast<std::size_t>(ascii - first));
    }
    bool legacy = false;
    for (auto const* it = ascii; *it != 0;) {
        if (*it < 0x80) {
            if ((kAsciiName[*it] & (it == first ? kStartsName : kInName)) == 0) {
                invalid();
            }
            if (out != nullptr) {
                out->push_back(*it);
            }
            ++it;
            continue;
        }
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
        if (out != nullptr) {
            AppendCodePoint(*out, sequence.codePoint);
        }
        it += sequence.length;
    }
    if (!legacy) {
        return;
    }
    // An element name written by an older producer: one byte per unit, its low 8
    // bits. The units still have to make a name, so that it is written again as one.
    if (out != nullptr) {
        out->resize(start);
    }
    for (auto const* it = first; *it != 0; ++it) {
        if (!(it == first ? IsNameStart(*it) : IsNameChar(*it))) {
            invalid();
        }
        if (out != nullptr) {
            out->push_back(*it);
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
        room.resize(std::max(at + length + 16, 2 * room.size()));
    }
    char16_t* to = room.data() + at;
    auto const* it = reinterpret_cast<unsigned char const*>(value);
    auto const* const last = it + length;
    for (;;) {
        it = WidenPlain(it, last, to, raw);
        if (it == last) {
            break;
        }
        unsigned const c = *it;
        if (c == '&') {
            it = DecodeReference(it, to);
        } else if (c < 0xE0) {
            *to++ = static_cast<char16_t>(((c & 0x1F) << 6) | (it[1] & 0x3F));
            it += 2;
        } else if (c < 0xF0) {
            // Three bytes, the legacy halves of a surrogate pair among them.
            *to++ = static_cast<char16_t>(((c & 0x0F) << 12) | ((it[1] & 0x3F) << 6) | (it[2] & 0x3F));
            it += 3;
        } else {
            char32_t const cp = ((c & 0x07) << 18) | ((it[1] & 0x3F) << 12) | ((it[2] & 0x3F) << 6) | (it[3] & 0x3Fu);
            *to++ = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
            *to++ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            it += 4;
        }
    }
    return static_cast<std::size_t>(to - room.data());
}

std::u16string XmlDocument::Where(std::size_t offset) const
{
    offset = std::min(offset, m_Size);
    // While parsing, the caller's text; then the buffer, whose terminators stand for
    // ASCII bytes, and the line ends among the patches.
    char const* const text = m_Original.empty() ? m_Buffer.get() : m_Original.data();
    std::size_t line = 1 + static_cast<std::size_t>(std::count(text, text + offset, '\n'));
    std::size_t lineStart = 0;
    for (std::size_t at = offset; at != 0; --at) {
        if (text[at - 1] == '\n') {
            lineStart = at;
            break;
        }
    }
    if (m_Original.empty()) {
        for (std::size_t i = 0; i < m_PatchAt.size() && m_PatchAt[i] < offset; ++i) {
            if (m_PatchByte[i] == '\n') {
                ++line;
                lineStart = std::max(lineStart, m_PatchAt[i] + 1);
            }
        }
    }
    std::size_t const column = 1 + static_cast<std::size_t>(std::count_if(text + lineStart, text + offset, [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
    return u"line " + MessageText(std::to_string(line)) + u", column " + MessageText(std::to_string(column));
}

void XmlDocument::RecordPatches()
{
    // The walk noted the bytes the parser replaced in start tags. Anywhere else (comments,
    // processing instructions, CDATA inside or after the root) every replaced byte is found
    // by a scan of the whole text.
    if (m_Unusual) {
        m_PatchAt.clear();
        m_PatchByte.clear();
        ScanPatches(0, m_Size, m_PatchAt, m_PatchByte);
    }
    if (kVerifyPatches) {
        std::vector<std::size_t> at;
        std::string bytes;
        ScanPatches(0, m_Size, at, bytes);
        if (at != m_PatchAt || bytes != m_PatchByte) {
            std::abort();
        }
    }
}

void XmlDocument::ScanPatches(
    std::size_t from, std::size_t to, std::vector<std::size_t>& patchAt, std::string& patchByte) const
{
    // The parser changes no byte but to end a name, a value or a text with a zero byte, and
    // the text holds none of its own: the zero bytes of the (padded) buffer are the changed
    // bytes. Those over a '<' or a '>' are known from where they stand; the others, found a
    // block at a time, are noted.
    char const* const buffer = m_Buffer.get();
    char const* const original = m_Original.data();
    auto const note = [&](std::size_t i) {
        patchAt.push_back(i);
        patchByte.push_back(original[i]);
    };
    std::size_t block = from;
    for (; block + 16 <= to; block += 16) {
        Bytes16 const bytes(original + block);
        unsigned replaced = Bytes16(buffer + block).Equal(0).Bits() & ~(bytes.Equal('<') | bytes.Equal('>')).Bits();
        for (; replaced != 0; replaced &= replaced - 1) {
            note(block + static_cast<std::size_t>(std::countr_zero(replaced)));
        }
    }
    for (; block < to; ++block) {
        if (buffer[block] == 0 && original[block] != '<' && original[block] != '>') {
            note(block);
        }
    }
}

void XmlDocument::NotePatch(char const* terminator)
{
    std::size_t const at = OffsetOf(terminator);
    char const byte = m_Original[at];
    // A pointer outside the buffer (the parser's own empty string) replaced nothing.
    if (at != 0 && byte != '<' && byte != '>') {
        m_PatchAt.push_back(at);
        m_PatchByte.push_back(byte);
    }
}

char XmlDocument::Patched(std::size_t offset, char otherwise) const
{
    auto const it = std::lower_bound(m_PatchAt.begin(), m_PatchAt.end(), offset);
    return it != m_PatchAt.end() && *it == offset ? m_PatchByte[static_cast<std::size_t>(it - m_PatchAt.begin())]
                                                  : otherwise;
}

std::size_t XmlDocument::Find(char c, std::size_t from) const
{
    char const* const first = m_Buffer.get();
    return static_cast<std::size_t>(std::find(first + std::min(from, m_Size), first + m_Size, c) - first);
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
    std::u16string name;
    ScanName(element.name(), &name, true);
    return name;
}

std::u16string XmlDocument::Value(pugi::xml_attribute attribute) const
{
    std::u16string value;
    Scan(attribute.value(), Data::Attribute, &value);
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
    pugi::xml_attribute const last = element.last_attribute();
    std::size_t from = 0;
    if (last) {
        // Past the closing quote nothing was replaced.
        from = OffsetOf(last.value()) + std::strlen(last.value()) + 1;
    } else {
        // The name ends at '>', '/' or whitespace, replaced by the name's terminator.
        from = OffsetOf(element.name()) + std::strlen(element.name());
        char const after = Patched(from, '>');
        if (after == '>' || after == '/') {
            empty = after == '/';
            return from + (empty ? 2 : 1);
        }
    }
    std::size_t const close = Find('>', from);
    empty = close > 0 && m_Buffer[close - 1] == '/';
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
            char const* const value = node.value();
            std::size_t const from = *value != 0 ? OffsetOf(value) + std::strlen(value) : end;
            end = Find('>', from) + 1;
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
        // The '?' of "?>" holds the terminator of the target or of the data.
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
    std::size_t content = start;
    if (element.last_child()) {
        content = EndOf(element.last_child());
    } else if (*element.value() != 0) {
        content = OffsetOf(element.value()) + std::strlen(element.value());
    }
    // The end tag starts at the terminator of the last text, or after whitespace.
    std::size_t endTag = content;
    while (endTag < m_Size && m_Buffer[endTag] != '<' && m_Buffer[endTag] != 0) {
        ++endTag;
    }
    // The names that end in the markup end at a '>' the buffer no longer holds.
    std::vector<std::size_t> nameEnds;
    pugi::xml_node node = element.first_child();
    while (node && node != element) {
        if (node.type() == pugi::node_element) {
            nameEnds.push_back(OffsetOf(node.name()) + std::strlen(node.name()));
        }
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (node != element && !node.next_sibling()) {
            node = node.parent();
        }
        if (node != element) {
            node = node.next_sibling();
        }
    }
    std::string markup(m_Buffer.get() + start, endTag - start);
    for (std::size_t i = 0; i < markup.size(); ++i) {
        if (markup[i] == 0) {
            std::size_t const at = start + i;
            bool const nameEnd = std::binary_search(nameEnds.begin(), nameEnds.end(), at);
            markup[i] = Patched(at, nameEnd ? '>' : '<');
        }
    }
    return MessageText(markup);
}

} // namespace Tarnwick::Encoding::Detail
