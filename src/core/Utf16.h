#pragma once

// UTF-16 decoding and UTF-8 encoding and decoding shared by the encoder, the
// decoder, the logger and the locale conversions. Internal to the library.

#include "core/Bytes16.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace Tarnwick::Detail {

/// What `NextCodePoint` answers for a surrogate that is not part of a pair.
inline constexpr char32_t kLoneSurrogate = 0xFFFFFFFF;
inline constexpr char32_t kReplacementCharacter = 0xFFFD;

constexpr bool IsHighSurrogate(char16_t unit) noexcept
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsLowSurrogate(char16_t unit) noexcept
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}
constexpr bool IsSurrogate(char16_t unit) noexcept
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

/// The code point of a high and a low surrogate.
constexpr char32_t CombineSurrogates(char16_t high, char16_t low) noexcept
{
    return 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (static_cast<char32_t>(low) - 0xDC00);
}

/// Reads one code point at `it` (it < end) and advances past it: a high
/// surrogate followed by a low one is combined; any other surrogate gives
/// `kLoneSurrogate`.
inline char32_t NextCodePoint(char16_t const*& it, char16_t const* end) noexcept
{
    char16_t const unit = *it++;
    if (!IsSurrogate(unit)) {
        return unit;
    }
    if (IsHighSurrogate(unit) && it != end && IsLowSurrogate(*it)) {
        char16_t const low = *it++;
        return CombineSurrogates(unit, low);
    }
    return kLoneSurrogate;
}

/// The length of the UTF-8 form of a code point, as `EncodeUtf8` writes it (3 for
/// `kLoneSurrogate`, written as U+FFFD).
constexpr std::size_t Utf8Width(char32_t cp) noexcept
{
    return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 || cp == kLoneSurrogate ? 3 : 4;
}

/// Writes the UTF-8 form of a code point (1 to 4 bytes) at `out`, which has room
/// for 4; `kLoneSurrogate` is written as U+FFFD. Returns the byte count.
inline std::size_t EncodeUtf8(char32_t cp, char* out) noexcept
{
    if (cp == kLoneSurrogate) {
        cp = kReplacementCharacter;
    }
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

/// Writes the UTF-8 form of UTF-16 text at `out`, which has room for three
/// bytes per code unit: pairs combined, lone surrogates as U+FFFD, the unit 0
/// as the byte 0. Runs of ASCII are narrowed sixteen, eight or four units at a
/// time. Returns the end.
inline char* EncodeUtf8(std::u16string_view text, char* out) noexcept
{
    char16_t const* it = text.data();
    char16_t const* const end = it + text.size();
    while (it != end) {
        // A group of 16 is narrowed only with 16 units left, so 48 bytes of room.
        NarrowRun(it, end, out);
        if (it == end) {
            break;
        }
        if (*it < 0x80) {
            *out++ = static_cast<char>(*it++);
            continue;
        }
        out += EncodeUtf8(NextCodePoint(it, end), out);
    }
    return out;
}

/// How many units at the start of `text` have a UTF-8 form (as `EncodeUtf8` writes
/// it) of at most `bytes` bytes; a surrogate pair is never split. Messages quote
/// long names cut so.
inline std::size_t Utf8Prefix(std::u16string_view text, std::size_t bytes) noexcept
{
    char16_t const* const begin = text.data();
    char16_t const* const end = begin + text.size();
    std::size_t used = 0;
    for (char16_t const* it = begin; it != end;) {
        char16_t const* const character = it;
        used += Utf8Width(NextCodePoint(it, end));
        if (used > bytes) {
            return static_cast<std::size_t>(character - begin);
        }
    }
    return text.size();
}

/// Appends the UTF-8 form of UTF-16 text, as `EncodeUtf8` writes it.
inline void AppendUtf8(std::string& out, std::u16string_view text)
{
    std::size_t const start = out.size();
    out.resize(start + text.size() * 3);
    char* const end = EncodeUtf8(text, out.data() + start);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

/// Appends `count` ASCII bytes as as many UTF-16 units, sixteen at a time.
inline void AppendAscii(std::u16string& out, char const* ascii, std::size_t count)
{
    std::size_t const start = out.size();
    out.resize(start + count);
    char16_t* to = out.data() + start;
    char const* const end = ascii + count;
    for (; end - ascii >= 16; ascii += 16, to += 16) {
        Bytes16(ascii).Widen(to);
    }
    for (; ascii != end; ++ascii, ++to) {
        *to = static_cast<unsigned char>(*ascii);
    }
}

/// One UTF-8 sequence read by `DecodeUtf8`: its code point and its length in
/// bytes; a length of 0 means the bytes start no well-formed sequence. Then
/// `subpart` is the length of the maximal subpart at the start: the longest run
/// that begins some well-formed sequence, or 1 when none does; replacing each
/// maximal subpart by one U+FFFD is what the Unicode standard recommends.
struct Utf8Sequence {
    char32_t codePoint;
    std::size_t length;
    std::size_t subpart = 0;
};

/// Reads the UTF-8 sequence at `it`, of at most `available` bytes (at least 1).
/// Well-formed means the shortest form of a code point up to U+10FFFF; with
/// `surrogates`, the 3-byte forms of U+D800 to U+DFFF (which older producers
/// wrote for each unit of a pair) are taken as well. Continuation bytes are
/// read one by one and reading stops at the first that does not fit, so text
/// ended by a zero byte is never read past it.
inline Utf8Sequence DecodeUtf8(unsigned char const* it, std::size_t available, bool surrogates = false) noexcept
{
    unsigned char const lead = it[0];
    if (lead < 0x80) {
        return {lead, 1};
    }
    std::size_t count = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        count = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        count = 2;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED && !surrogates ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        count = 3;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return {0, 0, 1};
    }
    char32_t cp = lead & (0x3F >> count);
    for (std::size_t i = 1; i <= count; ++i) {
        if (i >= available || it[i] < low || it[i] > high) {
            return {0, 0, i};
        }
        cp = (cp << 6) | (it[i] & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    return {cp, count + 1};
}

/// Reads a sequence at `it` that `DecodeUtf8` has already judged well formed (the
/// 3-byte forms of surrogates included), without checking it again.
inline Utf8Sequence DecodeJudgedUtf8(unsigned char const* it) noexcept
{
    char32_t const lead = it[0];
    if (lead < 0x80) {
        return {lead, 1};
    }
    if (lead < 0xE0) {
        return {((lead & 0x1F) << 6) | (it[1] & 0x3Fu), 2};
    }
    if (lead < 0xF0) {
        return {((lead & 0x0F) << 12) | ((it[1] & 0x3Fu) << 6) | (it[2] & 0x3Fu), 3};
    }
    return {((lead & 0x07) << 18) | ((it[1] & 0x3Fu) << 12) | ((it[2] & 0x3Fu) << 6) | (it[3] & 0x3Fu), 4};
}

/// Writes a code point (up to U+10FFFF) as UTF-16 at `out`, which has room
/// for 2: one unit, or a surrogate pair beyond U+FFFF. Returns the unit count.
constexpr std::size_t EncodeUtf16(char32_t cp, char16_t* out) noexcept
{
    if (cp < 0x10000) {
        out[0] = static_cast<char16_t>(cp);
        return 1;
    }
    out[0] = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
    out[1] = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    return 2;
}

/// Appends a code point as UTF-16: one unit, or a surrogate pair beyond U+FFFF.
inline void AppendUtf16(std::u16string& out, char32_t cp)
{
    char16_t units[2];
    out.append(units, EncodeUtf16(cp, units));
}

/// The UTF-16 form of UTF-8 text: each maximal subpart of an ill-formed
/// sequence (overlong, surrogate, beyond U+10FFFF or cut short) becomes one
/// U+FFFD, as the Unicode standard recommends.
inline std::u16string DecodeUtf8(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    auto const* it = reinterpret_cast<unsigned char const*>(text.data());
    auto const* const end = it + text.size();
    while (it != end) {
        Utf8Sequence const sequence = DecodeUtf8(it, static_cast<std::size_t>(end - it));
        if (sequence.length == 0) {
            out.push_back(static_cast<char16_t>(kReplacementCharacter));
            it += sequence.subpart;
        } else {
            AppendUtf16(out, sequence.codePoint);
            it += sequence.length;
        }
    }
    return out;
}

} // namespace Tarnwick::Detail
