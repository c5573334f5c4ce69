#include <tarnwick/core/Conversion.h>

#include "core/ClassicLocale.h"
#include "core/Decimal.h"
#include "core/Utf16.h"

#include <charconv>
#include <chrono>
#include <clocale>
#include <cstring>
#include <cstdlib>
#include <cwchar>
#include <locale.h>
#include <limits>
#include <thread>

namespace Tarnwick::Utils {

namespace {

std::string DoubleToChars(double value)
{
    // The general format at precision 6 is what a default-formatted stream
    // writes; to_chars gives it without consulting any locale.
    char buffer[64];
    auto const result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    return std::string(buffer, result.ptr);
}

std::u16string Widen(std::string const& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

// The white space of the C library's wide conversions in the "C" locale.
bool IsBlank(char16_t unit)
{
    return unit == u' ' || (unit >= u'\t' && unit <= u'\r');
}

bool IsClassicCtype()
{
    char const* const name = std::setlocale(LC_CTYPE, nullptr);
    return name == nullptr || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0;
}

char* NewNarrow(std::string const& text)
{
    char* buffer = new char[text.size() + 1];
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return buffer;
}

char16_t* NewWide(std::u16string const& text)
{
    char16_t* buffer = new char16_t[text.size() + 1];
    std::memcpy(buffer, text.c_str(), (text.size() + 1) * sizeof(char16_t));
    return buffer;
}

// Wide to multibyte through the current locale; false when a unit has no form there.
bool LocaleNarrow(std::u16string_view text, std::string& out)
{
    std::mbstate_t state {};
    char buffer[MB_LEN_MAX];
    char16_t const* it = text.data();
    char16_t const* const end = it + text.size();
    while (it != end) {
        char32_t const cp = Detail::NextCodePoint(it, end);
        if (cp == Detail::kLoneSurrogate) {
            return false;
        }
        std::size_t const length = std::wcrtomb(buffer, static_cast<wchar_t>(cp), &state);
        if (length == static_cast<std::size_t>(-1)) {
            return false;
        }
        out.append(buffer, length);
    }
    return true;
}

// Multibyte to wide through the current locale; false on an invalid sequence.
bool LocaleWiden(std::string_view text, std::u16string& out)
{
    std::mbstate_t state {};
    char const* it = text.data();
    char const* const end = it + text.size();
    while (it != end) {
        wchar_t wide = 0;
        std::size_t const length = std::mbrtowc(&wide, it, static_cast<std::size_t>(end - it), &state);
        if (length == static_cast<std::size_t>(-1) || length == static_cast<std::size_t>(-2)) {
            return false;
        }
        it += length == 0 ? 1 : length;
        Detail::AppendUtf16(out, static_cast<char32_t>(wide));
    }
    return true;
}

} // namespace

std::string Conversion::IntegerToString(std::int32_t value)
{
    return Detail::DecimalString<char>(value);
}
std::u16string Conversion::IntegerToWstring(std::int32_t value)
{
    return Detail::DecimalString<char16_t>(value);
}
std::string Conversion::Integer64ToString(std::uint64_t value)
{
    return Detail::DecimalString<char>(value);
}
std::u16string Conversion::Integer64ToWstring(std::uint64_t value)
{
    return Detail::DecimalString<char16_t>(value);
}
std::string Conversion::DoubleToString(double value)
{
    return DoubleToChars(value);
}
std::u16string Conversion::DoubleToWstring(double value)
{
    return Widen(DoubleToChars(value));
}

std::int32_t Conversion::WstringToInteger(std::u16string const& text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    // Beyond the range the value saturates, as the C library's conversion does.
    constexpr std::uint64_t limit = std::uint64_t {std::numeric_limits<std::int32_t>::max()} + 1;
    char16_t const* it = text.data() + i;
    auto const magnitude = static_cast<std::int64_t>(Detail::ReadDigits(it, text.data() + text.size(), limit));
    std::int64_t const value = negative ? -magnitude : std::min<std::int64_t>(magnitude, limit - 1);
    return static_cast<std::int32_t>(value);
}

double Conversion::WstringToDouble(std::u16string const& text)
{
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    // A number is printable ASCII: copy that run and let the C library's
    // conversion, bound to the classic locale rather than the global one, find
    // where the number ends. Like the wide conversion it gives +-HUGE_VAL beyond
    // the double range and 0 when no number starts the text.
    std::string ascii;
    for (; i < text.size() && text[i] > u' ' && text[i] < 0x7F; ++i) {
        ascii.push_back(static_cast<char>(text[i]));
    }
    locale_t const classic = Detail::ClassicLocale();
    // Only a failed allocation at first use leaves no locale object; the plain
    // conversion is the closest fallback then.
    return classic != locale_t {} ? ::strtod_l(ascii.c_str(), nullptr, classic) : std::strtod(ascii.c_str(), nullptr);
}

std::string Conversion::WstringToString(std::u16string text)
{
    std::string narrow(text.size(), '\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        narrow[i] = static_cast<char>(text[i] & 0xFF);
    }
    return narrow;
}

std::u16string Conversion::StringToWstring(std::string text)
{
    std::u16string wide(text.size(), u'\0');
    for (std::size_t i = 0; i < text.size(); ++i) {
        wide[i] = static_cast<char16_t>(static_cast<std::int16_t>(static_cast<signed char>(text[i])));
    }
    return wide;
}

char* Conversion::WcharToChar(char16_t const* text)
{
    std::u16string_view const wide(text);
    std::string narrow;
    if (IsClassicCtype()) {
        narrow.reserve(wide.size());
        for (char16_t const unit : wide) {
            if (unit > 0xFF) {
                return NewNarrow({});
            }
            narrow.push_back(static_cast<char>(unit));
        }
    } else if (!LocaleNarrow(wide, narrow)) {
        narrow.clear();
    }
    // Under a multibyte locale the buffer is as long as the text needs.
    return NewNarrow(narrow);
}

char16_t* Conversion::CharToWchar(char const* text)
{
    std::string_view const narrow(text);
    std::u16string wide;
    if (IsClassicCtype()) {
        wide.reserve(narrow.size());
        for (char const c : narrow) {
            wide.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
        }
    } else if (!LocaleWiden(narrow, wide)) {
        wide.clear();
    }
    return NewWide(wide);
}

std::string Conversion::Utf16ToUtf8(std::u16string_view text)
{
    std::string utf8;
    Detail::AppendUtf8(utf8, text);
    return utf8;
}

std::u16string Conversion::Utf8ToUtf16(std::string_view text)
{
    return Detail::DecodeUtf8(text);
}

std::u16string Conversion::WstringToXMLChString(std::u16string const& text)
{
    return text;
}

std::u16string Conversion::XMLChToWstring(char16_t const* text)
{
    return std::u16string(text);
}

std::u16string Conversion::ConvertClassId(char const* typeName)
{
    return StringToWstring(typeName).substr(6);
}

char* Conversion::ConvertClassIdToChar(char const* typeName)
{
    return WcharToChar(ConvertClassId(typeName).c_str());
}

void MilliSleep(std::uint32_t milliseconds)
{
    if (milliseconds == 0) {
        std::this_thread::yield();
    } else {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
}

} // namespace Tarnwick::Utils
