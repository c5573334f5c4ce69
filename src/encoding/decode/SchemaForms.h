#pragma once

// Values in the other lexical forms XML Schema's types allow for their kind,
// read by the tolerant decoder after the encoder's own form did not parse.
// Internal to the library.

#include "core/Decimal.h"
#include "encoding/XmlNames.h"

#include <algorithm>
#include <concepts>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <type_traits>

namespace Tarnwick::Encoding::Detail {

/// `text` without the XML whitespace (space, tab, LF, CR) around it.
inline std::string_view TrimXmlSpace(std::string_view text)
{
    while (!text.empty() && IsXmlSpace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsXmlSpace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

/// An integer as the schema's integer types write it: an optional sign, then
/// decimal digits (leading zeros allowed), within the range of T; `-0` is zero
/// also for unsigned kinds.
template <std::integral T> bool ParseSchemaInteger(std::string_view text, T& value)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    std::uint64_t const limit
        = static_cast<std::uint64_t>(std::numeric_limits<T>::max()) + (negative && std::is_signed_v<T> ? 1 : 0);
    std::uint64_t magnitude = 0;
    if (!Tarnwick::Detail::ParseDecimal(text, magnitude) || magnitude > limit) {
        return false;
    }
    if (negative && magnitude != 0 && !std::is_signed_v<T>) {
        return false;
    }
    using Unsigned = std::make_unsigned_t<T>;
    value = static_cast<T>(negative ? static_cast<Unsigned>(0 - magnitude) : static_cast<Unsigned>(magnitude));
    return true;
}

/// Whether a decimal (digits, a point, an exponent) that no float can hold lies above
/// the range, rather than below it: the decimal exponent of its first significant digit.
inline bool AboveRange(std::string_view text)
{
    std::int64_t position = 0;
    bool point = false;
    bool significant = false;
    std::size_t i = 0;
    for (; i < text.size() && text[i] != 'e' && text[i] != 'E'; ++i) {
        if (text[i] == '.') {
            point = true;
        } else if (!significant && text[i] != '0') {
            significant = true;
            position += point ? 0 : 1;
        } else if (significant != point) {
            // Digits before the point after the first significant one, or zeros after the point before it.
            position += point ? -1 : 1;
        }
    }
    std::int64_t exponent = 0;
    if (++i < text.size()) {
        bool const negative = text[i] == '-';
        i += text[i] == '-' || text[i] == '+' ? 1 : 0;
        for (; i < text.size(); ++i) {
            // Saturated: only the sign of the sum matters this far out.
            exponent = std::min<std::int64_t>(exponent * 10 + (text[i] - '0'), std::int64_t(1) << 40);
        }
        exponent = negative ? -exponent : exponent;
    }
    return position + exponent > 0;
}

/// A boolean in the schema's forms: `true`, `false`, `1` or `0`.
inline bool ParseSchemaBoolean(std::string_view text, bool& value)
{
    value = text == "true" || text == "1";
    return value || text == "false" || text == "0";
}

} // namespace Tarnwick::Encoding::Detail
