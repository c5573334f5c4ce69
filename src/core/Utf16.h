#pragma once

// UTF-16 and UTF-8 decoding and encoding shared by the encoder, the logger and
// the text conversions. Internal to the library.

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
        return 0x10000 + ((static_cast<char32_t>(unit) - 0xD800) << 10) + (low - 0xDC00);
    }
    return kLoneSurrogate;
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
/// as the byte 0. Runs of ASCII go four units at a time. Returns the end.
inline char* EncodeUtf8(std::u16string_view text, char* out) noexcept
{
    char16_t const* it = text.data();
    char16_t const* const end = it + text.size();
    while (it != end) {
        std::uint64_t block = 0;
        while (end - it >= 4 && (std::memcpy(&block, it, sizeof block), (block & 0xFF80FF80FF80FF80u) == 0)) {
            out[0] = static_cast<char>(it[0]);
            out[1] = static_cast<char>(it[1]);
            out[2] = static_cast<char>(it[2]);
            out[3] = static_cast<char>(it[3]);
            it += 4;
            out += 4;
        }
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

/// What `NextUtf8` answers for bytes that start no well-formed sequence.
inline constexpr char32_t kIllFormed = 0xFFFFFFFE;

/// Reads one UTF-8 character at `it` (it < end) and advances past it. A
/// well-formed sequence (no overlong form, no surrogate, nothing above
/// U+10FFFF) gives its code point. Otherwise the answer is `kIllFormed` and `it`
/// advances past the maximal subpart: the longest run at `it` that begins some
/// well-formed sequence, or the one byte at `it` when none does. Each maximal
/// subpart so counts as one error, as the Unicode standard recommends.
inline char32_t NextUtf8(unsigned char const*& it, unsigned char const* end) noexcept
{
    unsigned char const lead = *it;
    if (lead < 0x80) {
        ++it;
        return lead;
    }
    int count = 0;
    // The range of the second byte; every later byte is 0x80 to 0xBF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        count = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        count = 2;
        low = lead == 0xE0 ? 0xA0 : 0x80; // no overlong form
        high = lead == 0xED ? 0x9F : 0xBF; // no surrogate
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        count = 3;
        low = lead == 0xF0 ? 0x90 : 0x80; // no overlong form
        high = lead == 0xF4 ? 0x8F : 0xBF; // nothing above U+10FFFF
    } else {
        ++it;
        return kIllFormed;
    }
    char32_t cp = lead & (0x3F >> count);
    unsigned char const* next = it + 1;
    for (int i = 0; i < count; ++i, ++next) {
        if (next == end || *next < low || *next > high) {
            it = next;
            return kIllFormed;
        }
        cp = (cp << 6) | (*next & 0x3F);
        low = 0x80;
        high = 0xBF;
    }
    it = next;
    return cp;
}

/// Appends a code point (at most U+10FFFF) as one UTF-16 unit or a surrogate pair.
inline void AppendUtf16(std::u16string& out, char32_t cp)
{
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
        return;
    }
    out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
}

/// Appends the UTF-8 form of UTF-16 text, as `EncodeUtf8` writes it.
inline void AppendUtf8(std::string& out, std::u16string_view text)
{
    std::size_t const start = out.size();
    out.resize(start + text.size() * 3);
    char* const end = EncodeUtf8(text, out.data() + start);
    out.resize(static_cast<std::size_t>(end - out.data()));
}

} // namespace Tarnwick::Detail
