#pragma once

// The decoder's raise sites: one line constant each, all listed here, since
// the lines are part of the exceptions' interface. Internal to the library.

#include "encoding/MessagePath.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Tarnwick::Encoding::Detail {

/// Every decoder exception names this source.
inline constexpr char const* kDecoderSource = "Tarnwick::Encoding::XmlDecoder";

/// The line of each raise site; the messages are documented in XmlDecoder.h.
enum DecoderLine : std::int32_t {
    // Reading and parsing the text.
    kTextTooLongLine = 101,
    kStreamUnreadableLine = 102,
    kMalformedLine = 103,
    kInvalidUtf8Line = 104,
    kNullCharacterLine = 105,
    kDoctypeLine = 106,
    kDeclarationPlaceLine = 107,
    kDeclarationFormLine = 108,
    kEncodingLine = 109,
    kReservedTargetLine = 110,
    kCommentDashesLine = 111,
    kOutsideRootLine = 112,
    kSecondRootLine = 113,
    kNoRootLine = 114,
    kDuplicateAttributeLine = 115,
    kLessThanInAttributeLine = 116,
    kCdataEndInTextLine = 117,
    kUndefinedEntityLine = 118,
    kCharacterReferenceLine = 119,
    kBareAmpersandLine = 120,
    kInvalidNameLine = 121,
    kTooDeepLine = 122,
    kTooManyElementsLine = 123,
    kEndsInsideLine = 124,
    kUtf16WithoutMarkLine = 125,
    kNotAsciiLine = 126,
    kInvalidUtf16Line = 127,
    // Decoding the header and the tree.
    kNotMessageLine = 130,
    kMissingHeaderLine = 131,
    kHeaderValueLine = 132,
    kSecondParameterLine = 133,
    kInvalidValueLine = 134,
    kUnknownElementLine = 135,
    kMissingElementLine = 136,
    kUnexpectedTextLine = 137,
    kUnknownTypeLine = 138,
    kMissingTypeLine = 139,
    kUnexpectedAttributeLine = 140,
    kUndecodablePrototypeLine = 141,
};

/// Raises the decoder's exception with `message` and `line`.
[[noreturn]] void RaiseDecoder(std::u16string const& message, DecoderLine line);

/// "Text longer than the limit of N bytes" (line 101).
[[noreturn]] void RaiseTextTooLong(std::size_t limit);

/// ASCII or UTF-8 text as UTF-16, for the parts of a message taken from the text
/// (names, values); bytes that are not UTF-8 are taken one by one.
std::u16string MessageText(std::string_view text);

/// What follows a quoted piece of input cut at `kQuotedBytes`.
inline constexpr char16_t kCutMark[] = u"...";

/// Appends `text` (UTF-8, other bytes taken one by one) as `MessageText` gives it,
/// cut to at most `kQuotedBytes` bytes.
void AppendExcerpt(std::u16string& out, std::string_view text);
/// Appends decoded `text`, cut to at most `kQuotedBytes` bytes of its UTF-8 form.
void AppendExcerpt(std::u16string& out, std::u16string_view text);
/// The excerpt of `text` in single quotes: "'x'".
/// @{
std::u16string Quote(std::string_view text);
std::u16string Quote(std::u16string_view text);
/// @}

} // namespace Tarnwick::Encoding::Detail
