#include "logging/WideFormat.h"

#include "core/Utf16.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <locale.h>
#include <string_view>
#include <system_error>
#include <utility>
#include <sys/types.h>

namespace Tarnwick::Detail {

namespace {

// A field wider or more precise than this is cut to it, so that a stray '*'
// argument cannot make one log line exhaust the memory.
constexpr int kMaxField = 1 << 20;

enum class Length { None, Char, Short, Long, LongLong, IntMax, Size, PtrDiff, Int32, Int64, Pointer, LongDouble };

// One parsed directive, from '%' to its conversion character.
struct Directive {
    bool left = false;
    bool plus = false;
    bool space = false;
    bool alternate = false;
    bool zero = false;
    bool widthFromArgument = false;
    bool precisionFromArgument = false;
    int width = 0;
    int precision = -1; // -1: none given
    Length length = Length::None;
    char16_t conversion = 0;
};

// The caller's arguments, copied so that the caller's list stays as it was.
class Arguments {
public:
    explicit Arguments(std::va_list args) { va_copy(m_List, args); }
    Arguments(Arguments const&) = delete;
    Arguments& operator=(Arguments const&) = delete;
    ~Arguments() { va_end(m_List); }

    template <class T> T Next() { return va_arg(m_List, T); }

private:
    std::va_list m_List;
};

bool IsDigit(char16_t unit)
{
    return unit >= u'0' && unit <= u'9';
}

int ReadNumber(char16_t const*& it)
{
    int value = 0;
    while (IsDigit(*it)) {
        value = std::min(kMaxField, value * 10 + (*it++ - u'0'));
    }
    return value;
}

bool IsKnownConversion(char16_t unit)
{
    switch (unit) {
    case u'd':
    case u'i':
    case u'o':
    case u'u':
    case u'x':
    case u'X':
    case u'e':
    case u'E':
    case u'f':
    case u'F':
    case u'g':
    case u'G':
    case u'a':
    case u'A':
    case u'c':
    case u'C':
    case u's':
    case u'S':
    case u'p':
    case u'n':
    case u'%':
        return true;
    default:
        return false;
    }
}

// Parses the directive after its '%'; `it` ends after the conversion character,
// or where parsing stopped when the directive is not understood (false).
bool Parse(char16_t const*& it, Directive& directive)
{
    for (;; ++it) {
        switch (*it) {
        case u'-':
            directive.left = true;
            continue;
        case u'+':
            directive.plus = true;
            continue;
        case u' ':
            directive.space = true;
            continue;
        case u'#':
            directive.alternate = true;
            continue;
        case u'0':
            directive.zero = true;
            continue;
        default:
            break;
        }
        break;
    }
    if (*it == u'*') {
        directive.widthFromArgument = true;
        ++it;
    } else {
        directive.width = ReadNumber(it);
    }
    if (*it == u'.') {
        ++it;
        if (*it == u'*') {
            directive.precisionFromArgument = true;
            ++it;
        } else {
            directive.precision = ReadNumber(it);
        }
    }
    switch (*it) {
    case u'h':
        ++it;
        directive.length = Length::Short;
        if (*it == u'h') {
            ++it;
            directive.length = Length::Char;
        }
        break;
    case u'l':
        ++it;
        directive.length = Length::Long;
        if (*it == u'l') {
            ++it;
            directive.length = Length::LongLong;
        }
        break;
    case u'L':
        ++it;
        directive.length = Length::LongDouble;
        break;
    case u'j':
        ++it;
        directive.length = Length::IntMax;
        break;
    case u'z':
        ++it;
        directive.length = Length::Size;
        break;
    case u't':
        ++it;
        directive.length = Length::PtrDiff;
        break;
    case u'I':
        ++it;
        if (it[0] == u'3' && it[1] == u'2') {
            it += 2;
            directive.length = Length::Int32;
        } else if (it[0] == u'6' && it[1] == u'4') {
            it += 2;
            directive.length = Length::Int64;
        } else {
            directive.length = Length::Pointer;
        }
        break;
    default:
        break;
    }
    if (!IsKnownConversion(*it)) {
        return false;
    }
    directive.conversion = *it++;
    return true;
}

// Width and precision that came as arguments, taken before the value itself.
void TakeStarArguments(Directive& directive, Arguments& args)
{
    if (directive.widthFromArgument) {
        long long const width = args.Next<int>();
        if (width < 0) {
            directive.left = true;
        }
        directive.width = static_cast<int>(std::min<long long>(kMaxField, width < 0 ? -width : width));
    }
    if (directive.precisionFromArgument) {
        int const precision = args.Next<int>();
        directive.precision = precision < 0 ? -1 : std::min(kMaxField, precision);
    }
}

void Pad(std::u16string& out, int count, char16_t fill)
{
    if (count > 0) {
        out.append(static_cast<std::size_t>(count), fill);
    }
}

// Writes `text` right-aligned in the field, or left-aligned with '-'.
void AppendField(std::u16string& out, Directive const& directive, std::u16string_view text)
{
    int const padding = directive.width - static_cast<int>(std::min<std::size_t>(text.size(), kMaxField));
    if (!directive.left) {
        Pad(out, padding, u' ');
    }
    out.append(text);
    if (directive.left) {
        Pad(out, padding, u' ');
    }
}

// ---- integers -------------------------------------------------------------

struct Integer {
    std::uint64_t magnitude;
    bool negative;
};

Integer NextSigned(Length length, Arguments& args)
{
    long long value = 0;
    switch (length) {
    case Length::Char:
        value = static_cast<signed char>(args.Next<int>());
        break;
    case Length::Short:
        value = static_cast<short>(args.Next<int>());
        break;
    case Length::Long:
        value = args.Next<long>();
        break;
    case Length::LongLong:
    case Length::LongDouble:
        value = args.Next<long long>();
        break;
    case Length::IntMax:
        value = args.Next<std::intmax_t>();
        break;
    case Length::Size:
        value = args.Next<ssize_t>();
        break;
    case Length::PtrDiff:
    case Length::Pointer:
        value = args.Next<std::ptrdiff_t>();
        break;
    case Length::Int32:
        value = args.Next<std::int32_t>();
        break;
    case Length::Int64:
        value = args.Next<std::int64_t>();
        break;
    case Length::None:
        value = args.Next<int>();
        break;
    }
    // The magnitude of the most negative value is computed without overflow.
    return value < 0 ? Integer {0 - static_cast<std::uint64_t>(value), true}
                     : Integer {static_cast<std::uint64_t>(value), false};
}

std::uint64_t NextUnsigned(Length length, Arguments& args)
{
    switch (length) {
    case Length::Char:
        return static_cast<unsigned char>(args.Next<int>());
    case Length::Short:
        return static_cast<unsigned short>(args.Next<int>());
    case Length::Long:
        return args.Next<unsigned long>();
    case Length::LongLong:
    case Length::LongDouble:
        return args.Next<unsigned long long>();
    case Length::IntMax:
        return args.Next<std::uintmax_t>();
    case Length::Size:
        return args.Next<std::size_t>();
    case Length::PtrDiff:
    case Length::Pointer:
        return static_cast<std::uint64_t>(args.Next<std::ptrdiff_t>());
    case Length::Int32:
        return args.Next<std::uint32_t>();
    case Length::Int64:
        return args.Next<std::uint64_t>();
    case Length::None:
        break;
    }
    // Read as int, which an unsigned argument of the same width also is.
    return static_cast<unsigned>(args.Next<int>());
}

void AppendInteger(std::u16string& out, Directive directive, Integer value, bool isSigned)
{
    unsigned base = 10;
    char const* digitSet = "0123456789abcdef";
    switch (directive.conversion) {
    case u'o':
        base = 8;
        break;
    case u'x':
    case u'p':
        base = 16;
        break;
    case u'X':
        base = 16;
        digitSet = "0123456789ABCDEF";
        break;
    default:
        break;
    }

    char16_t digits[24];
    char16_t* const digitsEnd = digits + sizeof digits / sizeof digits[0];
    char16_t* first = digitsEnd;
    // Constant divisors, so that no digit costs a division instruction.
    auto const writeDigits = [&]<unsigned Base>() {
        for (std::uint64_t rest = value.magnitude; rest != 0; rest /= Base) {
            *--first = static_cast<char16_t>(digitSet[rest % Base]);
        }
    };
    if (base == 10) {
        writeDigits.operator()<10>();
    } else if (base == 16) {
        writeDigits.operator()<16>();
    } else {
        writeDigits.operator()<8>();
    }
    // Without a precision one digit is the least; precision 0 writes no digit for 0.
    if (directive.precision < 0 && first == digitsEnd) {
        *--first = u'0';
    }
    if (directive.conversion == u'o' && directive.alternate && (first == digitsEnd || *first != u'0')) {
        *--first = u'0';
    }
    int const digitCount = static_cast<int>(digitsEnd - first);

    std::u16string_view prefix;
    if (isSigned) {
        prefix = value.negative ? u"-" : directive.plus ? u"+" : directive.space ? u" " : u"";
    } else if (value.magnitude != 0 && (directive.alternate || directive.conversion == u'p')) {
        if (directive.conversion == u'x' || directive.conversion == u'p') {
            prefix = u"0x";
        } else if (directive.conversion == u'X') {
            prefix = u"0X";
        }
    }

    int zeros = std::max(0, directive.precision - digitCount);
    int const length = static_cast<int>(prefix.size()) + zeros + digitCount;
    if (directive.zero && !directive.left && directive.precision < 0) {
        zeros += std::max(0, directive.width - length);
    }
    int const padding = directive.width - (static_cast<int>(prefix.size()) + zeros + digitCount);
    if (!directive.left) {
        Pad(out, padding, u' ');
    }
    out.append(prefix);
    Pad(out, zeros, u'0');
    out.append(first, digitsEnd);
    if (directive.left) {
        Pad(out, padding, u' ');
    }
}

void AppendPointer(std::u16string& out, Directive const& directive, void const* pointer)
{
    if (pointer == nullptr) {
        AppendField(out, directive, u"(nil)");
        return;
    }
    AppendInteger(out, directive, Integer {reinterpret_cast<std::uintptr_t>(pointer), false}, false);
}

// ---- floating point -------------------------------------------------------

// The "C" locale, made once; numbers are formatted in it on the calling thread
// only, so another thread's or the process's locale is never touched.
locale_t ClassicLocale()
{
    static locale_t const classic = newlocale(LC_ALL_MASK, "C", locale_t {});
    return classic;
}

class ClassicNumbers {
public:
    ClassicNumbers()
        : m_Previous(ClassicLocale() != locale_t {} ? uselocale(ClassicLocale()) : locale_t {})
    { }
    ClassicNumbers(ClassicNumbers const&) = delete;
    ClassicNumbers& operator=(ClassicNumbers const&) = delete;
    ~ClassicNumbers()
    {
        if (m_Previous != locale_t {}) {
            uselocale(m_Previous);
        }
    }

private:
    locale_t m_Previous;
};

// The narrow directive with flags, width and precision resolved to numbers,
// written into `text` (room for 48) with its terminating zero.
void NarrowDirective(Directive const& directive, char* text)
{
    char* out = text;
    *out++ = '%';
    for (auto [set, flag] : {std::pair {directive.left, '-'}, std::pair {directive.plus, '+'},
             std::pair {directive.space, ' '}, std::pair {directive.alternate, '#'}, std::pair {directive.zero, '0'}}) {
        if (set) {
            *out++ = flag;
        }
    }
    if (directive.width > 0) {
        out = std::to_chars(out, text + 24, directive.width).ptr;
    }
    if (directive.precision >= 0) {
        *out++ = '.';
        out = std::to_chars(out, text + 40, directive.precision).ptr;
    }
    if (directive.length == Length::LongDouble) {
        *out++ = 'L';
    }
    *out++ = static_cast<char>(directive.conversion);
    *out = '\0';
}

template <class Floating> void AppendPrintfFloating(std::u16string& out, Directive const& directive, Floating value)
{
    char narrow[48];
    NarrowDirective(directive, narrow);
    ClassicNumbers const classic;
    char buffer[128];
    int const needed = std::snprintf(buffer, sizeof buffer, narrow, value);
    if (needed < 0) {
        return;
    }
    if (static_cast<std::size_t>(needed) < sizeof buffer) {
        out.append(buffer, buffer + needed);
        return;
    }
    std::string large(static_cast<std::size_t>(needed) + 1, '\0');
    std::snprintf(large.data(), large.size(), narrow, value);
    out.append(large.begin(), large.begin() + needed);
}

// The common directives for finite doubles, without the C library: to_chars
// gives exactly printf's digits in the "C" locale; sign, zeros and padding are
// added here. False when the directive needs the C library.
bool AppendFastFloating(std::u16string& out, Directive const& directive, double value)
{
    constexpr int kMaxFastPrecision = 64;
    std::chars_format format {};
    bool upper = false;
    switch (directive.conversion) {
    case u'f':
    case u'F':
        format = std::chars_format::fixed;
        break;
    case u'E':
        upper = true;
        [[fallthrough]];
    case u'e':
        format = std::chars_format::scientific;
        break;
    case u'G':
        upper = true;
        [[fallthrough]];
    case u'g':
        format = std::chars_format::general;
        break;
    default:
        return false;
    }
    if (directive.alternate || !std::isfinite(value) || directive.precision > kMaxFastPrecision) {
        return false;
    }
    // Fixed notation of the largest double has 309 digits before the point.
    char buffer[400];
    int const precision = directive.precision < 0 ? 6 : directive.precision;
    auto const [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value, format, precision);
    if (error != std::errc {}) {
        return false;
    }
    char const* digits = buffer;
    char16_t sign = 0;
    if (*digits == '-') {
        sign = u'-';
        ++digits;
    } else if (directive.plus) {
        sign = u'+';
    } else if (directive.space) {
        sign = u' ';
    }
    int const length = static_cast<int>(end - digits) + (sign != 0 ? 1 : 0);
    int const padding = std::max(0, directive.width - length);
    bool const zeros = directive.zero && !directive.left;
    if (!directive.left && !zeros) {
        Pad(out, padding, u' ');
    }
    if (sign != 0) {
        out.push_back(sign);
    }
    if (zeros) {
        Pad(out, padding, u'0');
    }
    for (char const* it = digits; it != end; ++it) {
        out.push_back(upper && *it == 'e' ? u'E' : static_cast<char16_t>(*it));
    }
    if (directive.left) {
        Pad(out, padding, u' ');
    }
    return true;
}

// ---- text -----------------------------------------------------------------

// Reads one character of narrow text (at a non-zero byte): a well-formed UTF-8
// sequence, or else the single byte as Latin-1. Never reads past a zero byte.
char32_t NextNarrowCharacter(unsigned char const*& it)
{
    // At most 4 bytes are looked at, and none past a zero byte.
    Utf8Sequence const sequence = DecodeUtf8(it, 4);
    if (sequence.length == 0) {
        return *it++;
    }
    it += sequence.length;
    return sequence.codePoint;
}

// The narrow text as UTF-16, at most `limit` code units (a pair is never split).
std::u16string WidenNarrow(char const* text, int limit)
{
    std::u16string wide;
    auto const* it = reinterpret_cast<unsigned char const*>(text);
    std::size_t const max = limit < 0 ? std::u16string::npos : static_cast<std::size_t>(limit);
    // The limit first: with a precision the text need not end with a zero byte.
    while (wide.size() < max && *it != 0) {
        unsigned char const* const start = it;
        char32_t const cp = NextNarrowCharacter(it);
        if (cp < 0x10000) {
            wide.push_back(static_cast<char16_t>(cp));
            continue;
        }
        if (wide.size() + 2 > max) {
            it = start;
            break;
        }
        AppendUtf16(wide, cp);
    }
    return wide;
}

std::u16string_view WideText(char16_t const* text, int limit)
{
    if (limit < 0) {
        return std::u16string_view(text);
    }
    std::size_t length = 0;
    while (length < static_cast<std::size_t>(limit) && text[length] != 0) {
        ++length;
    }
    // The precision does not split a surrogate pair (nothing past it is read).
    if (length > 0 && length == static_cast<std::size_t>(limit) && IsHighSurrogate(text[length - 1])) {
        --length;
    }
    return std::u16string_view(text, length);
}

bool IsWideText(Directive const& directive)
{
    if (directive.length == Length::Long) {
        return true;
    }
    if (directive.length == Length::Short) {
        return false;
    }
    return directive.conversion == u'c' || directive.conversion == u's';
}

void AppendText(std::u16string& out, Directive const& directive, Arguments& args)
{
    bool const wide = IsWideText(directive);
    if (directive.conversion == u'c' || directive.conversion == u'C') {
        int const value = args.Next<int>();
        char16_t const unit = wide ? static_cast<char16_t>(value) : static_cast<unsigned char>(value);
        AppendField(out, directive, std::u16string_view(&unit, 1));
        return;
    }
    if (wide) {
        char16_t const* const text = args.Next<char16_t const*>();
        AppendField(out, directive, WideText(text != nullptr ? text : u"(null)", directive.precision));
        return;
    }
    char const* const text = args.Next<char const*>();
    AppendField(out, directive, WidenNarrow(text != nullptr ? text : "(null)", directive.precision));
}

void AppendDirective(std::u16string& out, Directive& directive, Arguments& args)
{
    switch (directive.conversion) {
    case u'%':
        out.push_back(u'%');
        return;
    case u'n':
        // Consumes its pointer so that the arguments after it stay in step.
        args.Next<void*>();
        return;
    default:
        break;
    }
    TakeStarArguments(directive, args);
    switch (directive.conversion) {
    case u'd':
    case u'i':
        AppendInteger(out, directive, NextSigned(directive.length, args), true);
        return;
    case u'o':
    case u'u':
    case u'x':
    case u'X':
        AppendInteger(out, directive, Integer {NextUnsigned(directive.length, args), false}, false);
        return;
    case u'p':
        AppendPointer(out, directive, args.Next<void const*>());
        return;
    case u'c':
    case u'C':
    case u's':
    case u'S':
        AppendText(out, directive, args);
        return;
    default:
        break;
    }
    if (directive.length == Length::LongDouble) {
        AppendPrintfFloating(out, directive, args.Next<long double>());
        return;
    }
    double const value = args.Next<double>();
    if (!AppendFastFloating(out, directive, value)) {
        AppendPrintfFloating(out, directive, value);
    }
}

} // namespace

void AppendWideFormat(std::u16string& out, char16_t const* format, std::va_list list)
{
    if (format == nullptr) {
        return;
    }
    Arguments args(list);
    char16_t const* it = format;
    while (*it != 0) {
        char16_t const* literal = it;
        while (*it != 0 && *it != u'%') {
            ++it;
        }
        out.append(literal, it);
        if (*it == 0) {
            break;
        }
        char16_t const* const start = it++;
        Directive directive;
        if (!Parse(it, directive)) {
            // Not understood: copied as it stands, the character that stopped
            // the parse included (unless the format ends there).
            if (*it != 0) {
                ++it;
            }
            out.append(start, it);
            continue;
        }
        if (directive.conversion == u'n') {
            if (directive.widthFromArgument) {
                args.Next<int>();
            }
            if (directive.precisionFromArgument) {
                args.Next<int>();
            }
            out.append(start, it);
        }
        AppendDirective(out, directive, args);
    }
}

} // namespace Tarnwick::Detail
