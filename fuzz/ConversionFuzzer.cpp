// Every text-to-number and wide/narrow conversion of Utils::Conversion on
// arbitrary code units, against std::from_chars and std::to_chars where they
// are a reference, and against the documented mappings otherwise.

#include "FuzzSupport.h"

#include <tarnwick/core/Conversion.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>

namespace {

using Tarnwick::Utils::Conversion;

bool IsBlank(char16_t unit)
{
    return unit == u' ' || (unit >= u'\t' && unit <= u'\r');
}

// The text as narrow characters for from_chars: ASCII as it is, any other unit
// as a byte that no number contains.
std::string Ascii(std::u16string const& text, std::size_t from)
{
    std::string ascii;
    for (std::size_t i = from; i < text.size(); ++i) {
        ascii.push_back(text[i] < 0x80 && text[i] != 0 ? static_cast<char>(text[i]) : '\x01');
    }
    return ascii;
}

void CheckToInteger(std::u16string const& text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool const negative = i < text.size() && text[i] == u'-';
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        ++i;
    }
    std::string const digits = Ascii(text, i);
    std::uint64_t magnitude = 0;
    auto const [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    std::int64_t expected = 0;
    if (error == std::errc::result_out_of_range || magnitude > std::uint64_t {1} << 32) {
        expected = negative ? std::numeric_limits<std::int32_t>::min() : std::numeric_limits<std::int32_t>::max();
    } else if (error == std::errc {}) {
        std::int64_t const value
            = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
        expected = std::clamp<std::int64_t>(
            value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    }
    (void)end;
    Fuzz::Check(Conversion::WstringToInteger(text) == expected, "WstringToInteger differs from from_chars");
}

void CheckToDouble(std::u16string const& text)
{
    double const actual = Conversion::WstringToDouble(text);
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool const plus = i < text.size() && text[i] == u'+';
    std::string const number = Ascii(text, plus ? i + 1 : i);
    // Hexadecimal numbers and the C library's "nan(...)" spellings have no
    // from_chars reference in the general format; a '+' before a '-' is no number.
    std::size_t const digitsAt = !number.empty() && number[0] == '-' ? 1 : 0;
    if (number.compare(digitsAt, 2, "0x") == 0 || number.compare(digitsAt, 2, "0X") == 0 || (plus && digitsAt == 1)) {
        return;
    }
    double expected = 0.0;
    auto const [end, error] = std::from_chars(number.data(), number.data() + number.size(), expected);
    (void)end;
    if (error == std::errc::invalid_argument) {
        Fuzz::Check(actual == 0.0, "WstringToDouble read a number where from_chars sees none");
        return;
    }
    if (error == std::errc::result_out_of_range) {
        // Beyond the range: +-infinity; below it: zero or a subnormal of the right sign.
        Fuzz::Check(std::isinf(actual) || std::fabs(actual) <= std::numeric_limits<double>::min(),
            "WstringToDouble out of range is neither infinite nor tiny");
        return;
    }
    if (std::isnan(expected)) {
        Fuzz::Check(std::isnan(actual), "WstringToDouble lost a NaN");
        return;
    }
    Fuzz::Check(actual == expected && std::signbit(actual) == std::signbit(expected),
        "WstringToDouble differs from from_chars");
}

void CheckNumbersToText(std::int32_t integer, std::uint64_t integer64, double floating)
{
    char buffer[64];
    std::string const reference(buffer, std::to_chars(buffer, buffer + sizeof buffer, integer).ptr);
    Fuzz::Check(Conversion::IntegerToString(integer) == reference, "IntegerToString differs from to_chars");
    Fuzz::Check(Conversion::IntegerToWstring(integer) == std::u16string(reference.begin(), reference.end()),
        "IntegerToWstring differs from to_chars");
    Fuzz::Check(Conversion::WstringToInteger(Conversion::IntegerToWstring(integer)) == integer,
        "an integer does not come back from its text");
    std::string const reference64(buffer, std::to_chars(buffer, buffer + sizeof buffer, integer64).ptr);
    Fuzz::Check(Conversion::Integer64ToString(integer64) == reference64, "Integer64ToString differs from to_chars");
    Fuzz::Check(Conversion::Integer64ToWstring(integer64) == std::u16string(reference64.begin(), reference64.end()),
        "Integer64ToWstring differs from to_chars");
    if (std::isfinite(floating)) {
        std::snprintf(buffer, sizeof buffer, "%g", floating);
        Fuzz::Check(Conversion::DoubleToString(floating) == buffer, "DoubleToString differs from %g");
        std::string const narrow = Conversion::DoubleToString(floating);
        Fuzz::Check(Conversion::DoubleToWstring(floating) == std::u16string(narrow.begin(), narrow.end()),
            "DoubleToWstring differs from DoubleToString");
    }
}

void CheckWideNarrow(std::u16string const& wide, std::string const& narrow)
{
    std::string const low = Conversion::WstringToString(wide);
    Fuzz::Check(low.size() == wide.size(), "WstringToString changed the length");
    for (std::size_t i = 0; i < wide.size(); ++i) {
        Fuzz::Check(static_cast<unsigned char>(low[i]) == (wide[i] & 0xFF), "WstringToString kept other bits");
    }
    std::u16string const extended = Conversion::StringToWstring(narrow);
    Fuzz::Check(extended.size() == narrow.size(), "StringToWstring changed the length");
    for (std::size_t i = 0; i < narrow.size(); ++i) {
        Fuzz::Check(
            extended[i] == static_cast<char16_t>(static_cast<std::int16_t>(static_cast<signed char>(narrow[i]))),
            "StringToWstring does not sign-extend");
    }
    Fuzz::Check(Conversion::WstringToString(extended) == narrow, "narrow text does not come back");
    Fuzz::Check(Conversion::WstringToXMLChString(wide) == wide, "WstringToXMLChString is no copy");
    Fuzz::Check(Conversion::XMLChToWstring(wide.c_str()) == std::u16string(wide.c_str()), "XMLChToWstring is no copy");

    // The locale conversions, in the "C" locale the process starts in.
    std::unique_ptr<char16_t[]> const widened(Conversion::CharToWchar(narrow.c_str()));
    std::string const untilZero(narrow.c_str());
    std::u16string expectedWide;
    for (char const c : untilZero) {
        expectedWide.push_back(static_cast<unsigned char>(c));
    }
    Fuzz::Check(widened != nullptr && std::u16string(widened.get()) == expectedWide, "CharToWchar is not byte by byte");
    std::unique_ptr<char[]> const narrowed(Conversion::WcharToChar(wide.c_str()));
    std::u16string const wideUntilZero(wide.c_str());
    std::string expectedNarrow;
    for (char16_t const unit : wideUntilZero) {
        if (unit > 0xFF) {
            expectedNarrow.clear();
            break;
        }
        expectedNarrow.push_back(static_cast<char>(unit));
    }
    Fuzz::Check(
        narrowed != nullptr && std::string(narrowed.get()) == expectedNarrow, "WcharToChar is not unit by unit");
    std::unique_ptr<char[]> const back(Conversion::WcharToChar(widened.get()));
    Fuzz::Check(std::string(back.get()) == untilZero, "CharToWchar does not come back through WcharToChar");

    // Class names: the first six characters dropped, or out_of_range when shorter.
    try {
        std::u16string const name = Conversion::ConvertClassId(untilZero.c_str());
        Fuzz::Check(untilZero.size() >= 6 && name == Conversion::StringToWstring(untilZero.substr(6)),
            "ConvertClassId kept other characters");
        std::unique_ptr<char[]> const narrowName(Conversion::ConvertClassIdToChar(untilZero.c_str()));
        Fuzz::Check(narrowName != nullptr, "ConvertClassIdToChar gave nothing");
    } catch (std::out_of_range const&) {
        Fuzz::Check(untilZero.size() < 6, "ConvertClassId refused a long name");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    Fuzz::Input input(data, size);
    auto const integer = input.Value<std::int32_t>();
    auto const integer64 = input.Value<std::uint64_t>();
    auto const floating = input.Value<double>();
    CheckNumbersToText(integer, integer64, floating);
    std::u16string const wide = input.Text(512);
    std::string const narrow(input.Rest());
    CheckToInteger(wide);
    CheckToDouble(wide);
    CheckToInteger(Conversion::StringToWstring(narrow));
    CheckToDouble(Conversion::StringToWstring(narrow));
    CheckWideNarrow(wide, narrow);
    return 0;
}
