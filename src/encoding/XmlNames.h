#pragma once

// The characters XML 1.0 allows in names and documents: one set of rules for the
// writer, the reader and the schema.

#include "core/Utf16.h"

#include <string_view>

namespace Tarnwick::Encoding::Detail {

/// Whether `c` may start a name, the colon included as XML 1.0 allows it.
constexpr bool IsNameStart(char32_t c)
{
    if (c < 0x80) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
    }
    return (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF)
        || (c >= 0x370 && c <= 0x37D) || (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D)
        || (c >= 0x2070 && c <= 0x218F) || (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xD7FF)
        || (c >= 0xF900 && c <= 0xFDCF) || (c >= 0xFDF0 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0xEFFFF);
}

/// Whether `c` may stand in a name after its first character.
constexpr bool IsNameChar(char32_t c)
{
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == 0xB7 || (c >= 0x300 && c <= 0x36F)
        || (c >= 0x203F && c <= 0x2040);
}

/// The same rules without the colon, which namespace-aware readers take as a prefix's end:
/// the names a peer reads as plain names.
/// @{
constexpr bool IsUnprefixedNameStart(char32_t c)
{
    return c != ':' && IsNameStart(c);
}
constexpr bool IsUnprefixedNameChar(char32_t c)
{
    return c != ':' && IsNameChar(c);
}
/// @}

/// Whether `c` is XML whitespace: a space, a tab, a line feed or a carriage return.
constexpr bool IsXmlSpace(char32_t c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

/// Whether `c` may stand in a document at all (and so be named by a character reference).
constexpr bool IsXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD)
        || (c >= 0x10000 && c <= 0x10FFFF);
}

/// Whether `name` (UTF-16) is a non-empty name without a colon; a lone surrogate makes none.
inline bool IsUnprefixedName(std::u16string_view name) noexcept
{
    char16_t const* const begin = name.data();
    char16_t const* const end = begin + name.size();
    for (char16_t const* it = begin; it != end;) {
        bool const first = it == begin;
        char32_t const c = Tarnwick::Detail::NextCodePoint(it, end);
        if (c == Tarnwick::Detail::kLoneSurrogate || !(first ? IsUnprefixedNameStart(c) : IsUnprefixedNameChar(c))) {
            return false;
        }
    }
    return !name.empty();
}

} // namespace Tarnwick::Encoding::Detail
