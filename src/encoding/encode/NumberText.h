#pragma once

// The encoder's floating-point text, exactly as the stream's insertion in its
// default state or `std::to_chars` would write it, with a quick way for values
// of a few decimals. Internal to the library.

#include "core/Decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

namespace Tarnwick::Encoding::Detail {

/// Room enough for any number's text.
inline constexpr std::size_t kNumberRoom = 80;

/// The quick way to "%.*g" for values such as amounts and measures: a
/// decimal D = k / 10^d with at most `precision` digits whose nearest Float is
/// the value. When `precision` is within the digits the type always carries
/// (15 for double, 6 for float), D is then exactly what rounding the value to
/// `precision` digits gives, so D is written in fixed notation. The check
/// k / 10^d == value is exact: k and 10^d are exact in Float, and the division
/// is correctly rounded. Returns null when no such D with up to nine decimals
/// exists or the notation would be exponential; zero is left to the general path.
template <class Float> char* ShortDecimal(char* first, Float value, int precision)
{
    constexpr int kMaxDecimals = 9;
    static constexpr Float kPowers[]
        = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (precision > std::numeric_limits<Float>::digits10 || !std::isnormal(value)) {
        return nullptr;
    }
    Float const magnitude = std::fabs(value);
    Float const limit = kPowers[precision];
    for (int decimals = 0; decimals <= kMaxDecimals; ++decimals) {
        Float const scaled = magnitude * kPowers[decimals];
        if (!(scaled < limit)) {
            return nullptr;
        }
        auto const k = static_cast<std::uint64_t>(scaled + Float(0.5));
        if (static_cast<Float>(k) / kPowers[decimals] != magnitude) {
            continue;
        }
        // The decimal exponent of D must be at least -4 for the fixed notation.
        if (static_cast<int>(Tarnwick::Detail::DigitCount(k)) - 1 - decimals < -4) {
            return nullptr;
        }
        char* out = first;
        if (value < 0) {
            *out++ = '-';
        }
        if (decimals == 0) {
            return Tarnwick::Detail::WriteDigits(out, k);
        }
        // The integer part ("0" for none), the point, then all the decimals.
        std::uint64_t const scale = Tarnwick::Detail::kPowersOf10[static_cast<std::size_t>(decimals)];
        out = Tarnwick::Detail::WriteDigits(out, k / scale);
        *out++ = '.';
        return Tarnwick::Detail::WriteFixedDigits(out, k % scale, static_cast<std::size_t>(decimals));
    }
    return nullptr;
}

/// Whether the fixed notation of a nonzero number without superfluous digits, in
/// [first, last), is no longer than its exponent notation, so that the shortest
/// form chooses it (it does on a tie).
inline bool FixedIsShortest(char const* first, char const* last)
{
    char const* digits = first + (*first == '-' ? 1 : 0);
    char const* const point = std::find(digits, last, '.');
    int exponent = 0;
    int significant = 0;
    if (point == last) {
        // An integer: its trailing zeros go into the exponent.
        char const* end = last;
        while (end[-1] == '0') {
            --end;
        }
        significant = static_cast<int>(end - digits);
        exponent = static_cast<int>(last - digits) - 1;
    } else if (*digits != '0') {
        significant = static_cast<int>(last - digits) - 1;
        exponent = static_cast<int>(point - digits) - 1;
    } else {
        char const* lead = point + 1;
        while (*lead == '0') {
            ++lead;
        }
        significant = static_cast<int>(last - lead);
        exponent = -static_cast<int>(lead - point);
    }
    int const magnitude = exponent < 0 ? -exponent : exponent;
    int const scientific = significant + (significant > 1 ? 1 : 0) + 2 + (magnitude >= 100 ? 3 : 2);
    return last - digits <= scientific;
}

/// The shortest text that reads back to the same value at `first` (room for
/// kNumberRoom), exactly as `std::to_chars` writes it: "0.1", "1e+300", "-0",
/// "inf", "-nan". Values of a few decimals, such as amounts, take the quick way
/// of ShortDecimal where its fixed notation is what `std::to_chars` chooses.
/// Returns the end.
template <class Float> char* WriteShortest(char* first, Float value)
{
    char* last = ShortDecimal(first, value, std::numeric_limits<Float>::digits10);
    if (last == nullptr || !FixedIsShortest(first, last)) {
        last = std::to_chars(first, first + kNumberRoom, value).ptr;
    }
    return last;
}

/// General notation at `precision` significant digits of the value (a float
/// promoted to double, as the stream inserts it) at `first` (room for
/// kNumberRoom), as "%.*g" and so as the stream's insertion writes it in its
/// default state. Returns the end.
template <class Float> char* WriteGeneral(char* first, Float value, int precision)
{
    char* last = ShortDecimal(first, value, precision == 0 ? 1 : precision);
    if (last == nullptr) {
        last = std::to_chars(
            first, first + kNumberRoom, static_cast<double>(value), std::chars_format::general, precision)
                   .ptr;
    }
    return last;
}

} // namespace Tarnwick::Encoding::Detail
