#pragma once

// The text forms of values the decoder reads: the encoder's integers, floats and
// booleans, as they stand in the parsed buffer. Shared by the tree reader and the
// direct reading of records. Internal to the library.

#include "core/Decimal.h"
#include "encoding/decode/XmlDocument.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string_view>
#include <system_error>
#include <type_traits>

namespace Tarnwick::Encoding::Detail {

/// A decimal the nearest float of kind T cannot hold: one that rounds to zero is
/// that zero, and the largest finite value as the stream rounds it (at 15 digits
/// DBL_MAX prints as 1.79769313486232e+308, just above it) is that value. Whatever
/// lies further out keeps `error` set.
template <class T> inline T NearestFinite(char const* first, char const* last, char const*& end, std::errc& error)
{
    long double wide = 0;
    auto const result = std::from_chars(first, last, wide, std::chars_format::general);
    end = result.ptr;
    error = result.ec;
    if (error != std::errc()) {
        return T(0);
    }
    // Half a unit in the 15th digit, which is where the double of largest magnitude prints.
    constexpr long double kSlack = 1 + 5e-15L;
    long double const max = std::numeric_limits<T>::max();
    if (std::fabs(wide) <= max * kSlack) {
        return std::fabs(wide) >= max ? std::copysign(std::numeric_limits<T>::max(), static_cast<T>(wide))
                                      : static_cast<T>(wide);
    }
    error = std::errc::result_out_of_range;
    return T(0);
}

/// How many of the 8 bytes at `it` (in the padded buffer) are decimal digits before the first that is not.
inline std::size_t LeadingDigits(unsigned char const* it)
{
    std::uint64_t word = 0;
    std::memcpy(&word, it, sizeof word);
    // A digit is 0x30 to 0x39: high half 3, and no carry out of the low half on adding 6.
    // A carry from a byte that is no digit runs only into the bytes after it.
    constexpr std::uint64_t kHigh = 0xF0F0F0F0F0F0F0F0u;
    constexpr std::uint64_t kThrees = 0x3030303030303030u;
    std::uint64_t const other = ((word & kHigh) ^ kThrees) | (((word + 0x0606060606060606u) & kHigh) ^ kThrees);
    if constexpr (std::endian::native == std::endian::little) {
        return other == 0 ? 8 : static_cast<std::size_t>(std::countr_zero(other)) / 8;
    } else {
        return 0;
    }
}

/// The value of the `count` (1 to 7) digits at `it`, converted together: the digits
/// moved to the end of an 8-byte word behind '0's and combined pairwise.
inline std::uint64_t EightDigits(unsigned char const* it, std::size_t count)
{
    std::uint64_t word = 0;
    std::memcpy(&word, it, sizeof word);
    constexpr std::uint64_t kZeros = 0x3030303030303030u;
    word = (word << (64 - 8 * count)) | (kZeros >> (8 * count));
    word -= kZeros;
    word = word * 10 + (word >> 8);
    constexpr std::uint64_t kPairs = 0x000000FF000000FFu;
    return (((word & kPairs) * (100 + (1000000ull << 32))) + (((word >> 16) & kPairs) * (1 + (10000ull << 32)))) >> 32;
}

/// The usual integer in one pass where the text stands: at most 19 digits (a minus sign
/// first for signed kinds) ended by the terminator over the '<' of the end tag, within
/// the range of T. Otherwise false, and the text is read as `Tarnwick::Detail::ParseDecimal` reads it.
template <std::integral T> bool QuickInteger(char const* text, T& value)
{
    // An empty text is the parser's own empty string, outside the buffer: not read in blocks.
    if (*text == 0) {
        return false;
    }
    auto const* it = reinterpret_cast<unsigned char const*>(text);
    bool negative = false;
    if constexpr (std::is_signed_v<T>) {
        negative = *it == '-';
        it += negative ? 1 : 0;
    }
    auto const* const digits = it;
    std::uint64_t magnitude = 0;
    if (std::size_t const count = LeadingDigits(it); count != 0 && count < 8) {
        // The usual number: up to seven digits, converted together.
        magnitude = EightDigits(it, count);
        it += count;
    } else {
        // Past 19 digits the sum may wrap around; such a text is then read the other way.
        for (unsigned digit = 0; (digit = static_cast<unsigned>(*it - '0')) <= 9; ++it) {
            magnitude = magnitude * 10 + digit;
        }
    }
    if (it == digits || it - digits > 19 || *it != 0 || !XmlDocument::AtEndTag(reinterpret_cast<char const*>(it))
        || magnitude > static_cast<std::uint64_t>(std::numeric_limits<T>::max()) + (negative ? 1 : 0)) {
        return false;
    }
    using Unsigned = std::make_unsigned_t<T>;
    value = static_cast<T>(negative ? static_cast<Unsigned>(0 - magnitude) : static_cast<Unsigned>(magnitude));
    return true;
}

/// The value of an ASCII text by kind: `true`/`false`, integers, and every form
/// the stream writes floats in (fixed, exponent, inf and nan, with a sign).
template <class T> bool ParseValue(std::string_view text, T& value)
{
    if constexpr (std::is_same_v<T, bool>) {
        value = text == "true";
        return value || text == "false";
    } else if constexpr (std::is_floating_point_v<T>) {
        char const* const first = text.data();
        char const* const last = first + text.size();
        auto [end, error] = std::from_chars(first, last, value, std::chars_format::general);
        if (error == std::errc::result_out_of_range) {
            value = NearestFinite<T>(first, last, end, error);
        }
        return !text.empty() && error == std::errc() && end == last;
    } else {
        return Tarnwick::Detail::ParseDecimal(text, value);
    }
}

} // namespace Tarnwick::Encoding::Detail
