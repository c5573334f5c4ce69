#pragma once

// Decimal digits written and read without a locale, and hexadecimal ones written,
// for every place that turns integers into text or back: the logger's stamp, the time stamp's text, the
// metrics export, the conversions, the encoder and the decoder. Internal to the
// library.

#include <algorithm>
#include <array>
#include <bit>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

namespace Tarnwick::Detail {

/// "00" to "99" side by side: two digits per division.
inline constexpr std::string_view kDigitPairs = "00010203040506070809101112131415161718192021222324"
                                                "25262728293031323334353637383940414243444546474849"
                                                "50515253545556575859606162636465666768697071727374"
                                                "75767778798081828384858687888990919293949596979899";

/// Whether `c` is one of the ASCII digits, in any character type.
template <class Char> constexpr bool IsDecimalDigit(Char c) noexcept
{
    return c >= Char('0') && c <= Char('9');
}

/// The two digits of `value` (below 100) at `out`.
template <class Char> constexpr void WritePair(Char* out, std::uint32_t value) noexcept
{
    if constexpr (sizeof(Char) == 1) {
        if (!std::is_constant_evaluated()) {
            // One two-byte store where bytes are written.
            std::memcpy(out, kDigitPairs.data() + 2 * value, 2);
            return;
        }
    }
    out[0] = static_cast<Char>(kDigitPairs[2 * value]);
    out[1] = static_cast<Char>(kDigitPairs[2 * value + 1]);
}

/// 10^i, except 0 for i = 0: a guess of 0 (values up to 7) always has one digit.
inline constexpr std::array<std::uint64_t, 20> kPowersOf10 = [] {
    std::array<std::uint64_t, 20> powers {};
    std::uint64_t power = 1;
    for (auto& entry : powers) {
        entry = power;
        power *= 10;
    }
    powers[0] = 0;
    return powers;
}();

/// The number of decimal digits of `value` (1 for 0).
template <std::unsigned_integral Unsigned> constexpr std::size_t DigitCount(Unsigned value) noexcept
{
    // log10 from the bit width (1233 / 4096 just above log10(2)), then one comparison.
    auto const guess = static_cast<std::size_t>((std::bit_width(value | 1U) * 1233) >> 12);
    return guess + 1 - (value < kPowersOf10[guess] ? 1 : 0);
}

/// Exactly `Width` digits of `value` at `out`, the last `Width` of its decimal
/// form, zeros in front: "000042" for 42 in 6. Returns the end.
template <std::size_t Width, class Char, std::unsigned_integral Unsigned>
constexpr Char* WriteFixedDigits(Char* out, Unsigned value) noexcept
{
    for (std::size_t pair = Width / 2; pair-- > 0; value /= 100) {
        WritePair(out + Width % 2 + 2 * pair, static_cast<std::uint32_t>(value % 100));
    }
    if constexpr (Width % 2 != 0) {
        *out = static_cast<Char>('0' + value % 10);
    }
    return out + Width;
}

/// `WriteFixedDigits` of a width known only at run time.
template <class Char, std::unsigned_integral Unsigned>
constexpr Char* WriteFixedDigits(Char* out, Unsigned value, std::size_t width) noexcept
{
    Char* const end = out + width;
    Char* digit = end;
    for (; digit - out >= 2; digit -= 2, value /= 100) {
        WritePair(digit - 2, static_cast<std::uint32_t>(value % 100));
    }
    if (digit != out) {
        *out = static_cast<Char>('0' + value % 10);
    }
    return end;
}

/// The decimal digits of an unsigned integer at `out` (room for 20), as
/// `std::to_chars` writes them: no sign, no zeros in front. Returns the end.
/// Written from the right, four and two at a time, straight into place.
template <class Char, std::unsigned_integral Unsigned> constexpr Char* WriteDigits(Char* out, Unsigned value) noexcept
{
    if constexpr (sizeof(Unsigned) > sizeof(std::uint32_t)) {
        // Most values fit 32 bits, whose divisions are cheaper.
        if (value <= std::numeric_limits<std::uint32_t>::max()) {
            return WriteDigits(out, static_cast<std::uint32_t>(value));
        }
    }
    Char* const end = out + DigitCount(value);
    Char* digit = end;
    while (value >= 10000) {
        auto const four = static_cast<std::uint32_t>(value % 10000);
        value /= 10000;
        digit -= 4;
        WritePair(digit, four / 100);
        WritePair(digit + 2, four % 100);
    }
    if (value >= 100) {
        digit -= 2;
        WritePair(digit, static_cast<std::uint32_t>(value % 100));
        value /= 100;
    }
    if (value >= 10) {
        WritePair(digit - 2, static_cast<std::uint32_t>(value));
    } else {
        digit[-1] = static_cast<Char>('0' + value);
    }
    return end;
}

/// The decimal form of any integer at `out` (room for 20, and the sign), as
/// `std::to_chars` writes it: a minus sign for negative values only. Returns the end.
template <class Char, std::integral Int> constexpr Char* WriteDecimal(Char* out, Int value) noexcept
{
    using Unsigned = std::make_unsigned_t<Int>;
    auto magnitude = static_cast<Unsigned>(value);
    if constexpr (std::is_signed_v<Int>) {
        if (value < 0) {
            *out++ = Char('-');
            magnitude = static_cast<Unsigned>(Unsigned(0) - magnitude);
        }
    }
    return WriteDigits(out, magnitude);
}

/// The decimal form of `value` at `out`, zeros in front up to `width` digits
/// in all: "07" for 7 in 2, "2024" for 2024 in 2. Returns the end.
template <class Char, std::unsigned_integral Unsigned>
constexpr Char* WritePaddedDigits(Char* out, Unsigned value, std::size_t width) noexcept
{
    return WriteFixedDigits(out, value, std::max(width, DigitCount(value)));
}

/// The decimal form of any integer at `out` as printf's "%0*d" writes it: a minus
/// sign for negative values, then zeros in front up to `width` characters in all,
/// the sign included: "-0042" for -42 in 5. Returns the end.
template <class Char, std::integral Int>
constexpr Char* WritePaddedDecimal(Char* out, Int value, std::size_t width) noexcept
{
    using Unsigned = std::make_unsigned_t<Int>;
    auto magnitude = static_cast<Unsigned>(value);
    if constexpr (std::is_signed_v<Int>) {
        if (value < 0) {
            *out++ = Char('-');
            magnitude = static_cast<Unsigned>(Unsigned(0) - magnitude);
            width -= width != 0 ? 1 : 0;
        }
    }
    return WritePaddedDigits(out, magnitude, width);
}

/// The hexadecimal digit of `value` (below 16), in upper or lower case.
template <class Char> constexpr Char HexDigit(unsigned value, bool upper = true) noexcept
{
    return Char((upper ? "0123456789ABCDEF" : "0123456789abcdef")[value]);
}

/// Exactly `width` upper-case hexadecimal digits of `value` at `out`, the last `width`
/// of its form, zeros in front: "00E9" for 0xE9 in 4. Returns the end.
template <class Char> constexpr Char* WriteHexDigits(Char* out, std::uint64_t value, std::size_t width) noexcept
{
    for (std::size_t shift = 4 * width; shift != 0; shift -= 4) {
        *out++ = HexDigit<Char>(static_cast<unsigned>(value >> (shift - 4)) & 0xF);
    }
    return out;
}

/// The decimal form of `value`, as `WriteDecimal` writes it.
template <class Char, std::integral Int> std::basic_string<Char> DecimalString(Int value)
{
    Char digits[24];
    return std::basic_string<Char>(digits, WriteDecimal(digits, value));
}

/// Reads the decimal digits at `it` up to `end` and advances past them: the
/// value, or `most` when it would exceed `most`.
template <class Char, std::unsigned_integral Unsigned>
constexpr Unsigned ReadDigits(Char const*& it, Char const* end, Unsigned most) noexcept
{
    Unsigned value = 0;
    for (; it != end && IsDecimalDigit(*it); ++it) {
        auto const digit = static_cast<Unsigned>(*it - Char('0'));
        value = value > (most - digit) / 10 ? most : static_cast<Unsigned>(value * 10 + digit);
    }
    return value;
}

/// `ReadDigits` of text that ends with a character other than a digit, such as
/// a terminating zero.
template <class Char, std::unsigned_integral Unsigned>
constexpr Unsigned ReadDigits(Char const*& it, Unsigned most) noexcept
{
    Unsigned value = 0;
    for (; IsDecimalDigit(*it); ++it) {
        auto const digit = static_cast<Unsigned>(*it - Char('0'));
        value = value > (most - digit) / 10 ? most : static_cast<Unsigned>(value * 10 + digit);
    }
    return value;
}

/// The integer that `text` is, read strictly: decimal digits only, with a minus
/// sign first for signed kinds only (no plus, no blanks), within the range of T.
/// False, leaving `value` as it was, for anything else.
template <std::integral T, class Char> constexpr bool ParseDecimal(std::basic_string_view<Char> text, T& value) noexcept
{
    Char const* it = text.data();
    Char const* const end = it + text.size();
    bool negative = false;
    if constexpr (std::is_signed_v<T>) {
        negative = it != end && *it == Char('-');
        it += negative ? 1 : 0;
    }
    if (it == end) {
        return false;
    }
    using Unsigned = std::make_unsigned_t<T>;
    std::uint64_t const limit = static_cast<std::uint64_t>(std::numeric_limits<T>::max()) + (negative ? 1 : 0);
    std::uint64_t const tens = limit / 10;
    std::uint64_t const units = limit % 10;
    std::uint64_t magnitude = 0;
    for (; it != end; ++it) {
        if (!IsDecimalDigit(*it)) {
            return false;
        }
        auto const digit = static_cast<std::uint64_t>(*it - Char('0'));
        if (magnitude > tens || (magnitude == tens && digit > units)) {
            return false;
        }
        magnitude = magnitude * 10 + digit;
    }
    value = static_cast<T>(negative ? static_cast<Unsigned>(0 - magnitude) : static_cast<Unsigned>(magnitude));
    return true;
}

} // namespace Tarnwick::Detail
