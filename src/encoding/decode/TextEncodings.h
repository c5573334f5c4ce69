#pragma once

// The encodings a message text may arrive in, told from its first bytes and its
// declaration, and turned into the UTF-8 the parser reads. Internal to the library.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace Tarnwick::Encoding::Detail {

/// How the bytes of a text stand for its characters.
enum class TextForm { Utf8, Ascii, Latin1, Utf16LE, Utf16BE };

/// The form a declared encoding name stands for, in any letter case: UTF-8, US-ASCII
/// (also ASCII), ISO-8859-1 (also ISO_8859-1, LATIN1) and UTF-16 (taken as UTF-16LE;
/// the byte order mark decides); none for any other name.
std::optional<TextForm> FormOfName(std::string_view name);

/// The encoding named by the declaration at the start of a text in 8-bit bytes (after
/// a UTF-8 byte order mark, if any), as written; empty when there is none.
std::string_view DeclaredEncoding(std::string_view text);

/// True when the first two bytes look like UTF-16 without a byte order mark: one of
/// them 0, the other an ASCII character.
bool LooksLikeUtf16(std::string_view text);

/// The offset of the first byte from 0x80 on, or the text's size.
std::size_t FirstNonAscii(std::string_view text);

/// A text turned into UTF-8; when not `complete`, the input stopped where it was not of
/// its form, and `text` holds what came before.
struct Transcoded {
    std::string text;
    bool complete = true;
};

/// ISO-8859-1 bytes as UTF-8: each byte one code point.
Transcoded FromLatin1(std::string_view bytes);

/// UTF-16 (after its byte order mark) as UTF-8; stops at a lone surrogate or an odd
/// byte at the end. The unit 0 gives the byte 0, which the parse refuses.
Transcoded FromUtf16(std::string_view bytes, bool bigEndian);

} // namespace Tarnwick::Encoding::Detail
