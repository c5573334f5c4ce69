#include "logging/WideFormat.h"

#include "core/ClassicLocale.h"
#include "core/Decimal.h"
#include "core/Utf16.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <locale.h>
#include <string_view>
#include <system_error>
#include <utility>
#include <sys/types.h>

namespace Tarnwick::Detail {

namespace {

// A width, or the precision of a number, beyond this is cut to it, so that a
// stray '*' argument cannot make one log line exhaust the memory. The
// precision of a text only bounds what is read of the argument, so it is kept
// whole (`textLimit`).
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
    int precision = -1; // -1: none given; at most kMaxField
    std::size_t textLimit = std::u16string::npos; // the precision as given, for s and S
    Length length = Length::None;
    char16_t conversion = 0;
};

using Utils::LogArgument;

// The caller's tagged arguments, taken one by one; none past the last.
class Arguments {
public:
    explicit Arguments(std::span<LogArgument const> list) noexcept
        : m_List(list)
    { }

    LogArgument const* Next() noexcept { return m_Next < m_List.size() ? &m_List[m_Next++] : nullptr; }

private:
    std::span<LogArgument const> m_List;
    std::size_t m_Next = 0;
};

bool IsInteger(LogArgument const* argument)
{
    return argument != nullptr
        && (argument->kind == Utils::LOG_ARGUMENT_SIGNED || argument->kind == Utils::LOG_ARGUMENT_UNSIGNED
            || argument->kind == Utils::LOG_ARGUMENT_NARROW_CHAR);
}

bool IsSigned(LogArgument const& argument)
{
    return argument.kind != Utils::LOG_ARGUMENT_UNSIGNED;
}

// The number at `it`, saturating at the largest std::size_t.
std::size_t ReadNumber(char16_t const*& it)
{
    return ReadDigits(it, std::numeric_limits<std::size_t>::max());
}

int FieldBound(std::size_t value)
{
    return static_cast<int>(std::min<std::size_t>(kMaxField, value));
}

void SetPrecision(Directive& directive, std::size_t precision)
{
    directive.precision = FieldBound(precision);
    directive.textLimit = precision;
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
        directive.width = FieldBound(ReadNumber(it));
    }
    if (*it == u'.') {
        ++it;
        if (*it == u'*') {
            directive.precisionFromArgument = true;
            ++it;
        } else {
            SetPrecision(directive, ReadNumber(it));
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

// An integer argument as a field size, cut to kMaxField.
int FieldSize(LogArgument const& argument)
{
    if (!IsSigned(argument)) {
        return static_cast<int>(std::min<std::uint64_t>(kMaxField, argument.unsignedValue));
    }
    std::int64_t const value = argument.signedValue;
    return static_cast<int>(std::clamp<std::int64_t>(value, -kMaxField, kMaxField));
}

// Width and precision that come as arguments, taken before the value itself;
// false when one of them is missing or no integer (both are consumed all the same).
bool TakeStarArguments(Directive& directive, Arguments& args)
{
    bool taken = true;
    if (directive.widthFromArgument) {
        LogArgument const* const argument = args.Next();
        taken = IsInteger(argument);
        int const width = taken ? FieldSize(*argument) : 0;
        directive.left = directive.left || width < 0;
        directive.width = width < 0 ? -width : width;
    }
    if (directive.precisionFromArgument) {
        LogArgument const* const argument = args.Next();
        taken = taken && IsInteger(argument);
        // A negative precision counts as none, as in printf.
        if (IsInteger(argument) && !IsSigned(*argument)) {
            SetPrecision(directive, static_cast<std::size_t>(argument->unsignedValue));
        } else if (IsInteger(argument) && argument->signedValue >= 0) {
            SetPrecision(directive, static_cast<std::size_t>(argument->signedValue));
        }
    }
    return taken;
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

// The size in bytes that a length modifier names for integers; 0 for none.
int ModifierWidth(Length length)
{
    switch (length) {
    case Length::None:
        return 0;
    case Length::Char:
        return 1;
    case Length::Short:
        return 2;
    case Length::Int32:
        return 4;
    default:
        return 8;
    }
}

// The integer as a directive of the given signedness prints it: its own value,
// except where printf reinterprets the bits (a negative value under an unsigned
// directive, an unsigned one beyond the signed range under a signed
// directive), which happens at the modifier's size when the value fits it and
// at the argument's size otherwise.
Integer IntegerValue(LogArgument const& argument, Length length, bool signedDirective)
{
    int const modifier = ModifierWidth(length);
    auto const bits
        = [&](bool fitsModifier) { return 8 * (modifier != 0 && fitsModifier ? modifier : argument.width); };
    if (IsSigned(argument)) {
        std::int64_t const value = argument.signedValue;
        if (value >= 0) {
            return Integer {static_cast<std::uint64_t>(value), false};
        }
        if (signedDirective) {
            return Integer {0 - static_cast<std::uint64_t>(value), true};
        }
        int const size = bits(modifier == 8 || (modifier > 0 && value >= -(std::int64_t {1} << (8 * modifier - 1))));
        std::uint64_t const mask = size >= 64 ? ~std::uint64_t {0} : (std::uint64_t {1} << size) - 1;
        return Integer {static_cast<std::uint64_t>(value) & mask, false};
    }
    std::uint64_t const value = argument.unsignedValue;
    if (!signedDirective) {
        return Integer {value, false};
    }
    int const size = bits(modifier == 8 || (modifier > 0 && value < (std::uint64_t {1} << (8 * modifier))));
    if (size < 64 && value < (std::uint64_t {1} << (size - 1))) {
        return Integer {value, false};
    }
    if (size >= 64 && value <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return Integer {value, false};
    }
    // Negative at that size: its magnitude is 2^size - value.
    std::uint64_t const magnitude = size >= 64 ? 0 - value : (std::uint64_t {1} << size) - value;
    return Integer {magnitude, true};
}

void AppendInteger(std::u16string& out, Directive directive, Integer value, bool isSigned)
{
    unsigned base = 10;
    switch (directive.conversion) {
    case u'o':
        base = 8;
        break;
    case u'x':
    case u'p':
    case u'X':
        base = 16;
        break;
    default:
        break;
    }
    bool const upper = directive.conversion == u'X';

    char16_t digits[24];
    char16_t* const digitsEnd = digits + sizeof digits / sizeof digits[0];
    char16_t* first = digitsEnd;
    // Constant divisors, so that no digit costs a division instruction.
    auto const writeDigits = [&]<unsigned Base>() {
        for (std::uint64_t rest = value.magnitude; rest != 0; rest /= Base) {
            *--first = HexDigit<char16_t>(static_cast<unsigned>(rest % Base), upper);
        }
    };
    if (base == 10) {
        if (value.magnitude != 0) {
            first = digitsEnd - DigitCount(value.magnitude);
            WriteDigits(first, value.magnitude);
        }
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
        out = WriteDecimal(out, directive.width);
    }
    if (directive.precision >= 0) {
        *out++ = '.';
        out = WriteDecimal(out, directive.precision);
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
    // Numbers are formatted in the "C" locale on the calling thread only.
    ClassicLocaleScope const classic;
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
std::u16string WidenNarrow(char const* text, std::size_t max)
{
    std::u16string wide;
    auto const* it = reinterpret_cast<unsigned char const*>(text);
    // The limit first: with a precision the text need not end with a zero byte.
    while (wide.size() < max && *it != 0) {
        char16_t units[2];
        std::size_t const count = EncodeUtf16(NextNarrowCharacter(it), units);
        if (count == 1) {
            wide.push_back(units[0]);
            continue;
        }
        if (wide.size() + count > max) {
            break;
        }
        wide.append(units, count);
    }
    return wide;
}

std::u16string_view WideText(char16_t const* text, std::size_t limit)
{
    std::size_t length = 0;
    while (length < limit && text[length] != 0) {
        ++length;
    }
    // The precision does not split a surrogate pair (nothing past it is read).
    if (length > 0 && length == limit && IsHighSurrogate(text[length - 1])) {
        --length;
    }
    return std::u16string_view(text, length);
}

// A character argument as one or two code units; false when it is none.
bool AppendCharacter(std::u16string& out, Directive const& directive, LogArgument const& argument)
{
    constexpr std::uint64_t kLastCodePoint = 0x10FFFF;
    std::uint64_t code = 0;
    if (argument.kind == Utils::LOG_ARGUMENT_NARROW_CHAR) {
        code = static_cast<unsigned char>(argument.signedValue);
    } else if (!IsSigned(argument)) {
        code = argument.unsignedValue;
    } else if (argument.signedValue >= 0) {
        code = static_cast<std::uint64_t>(argument.signedValue);
    } else {
        return false;
    }
    if (code > kLastCodePoint) {
        return false;
    }
    char16_t units[2];
    std::size_t const count = EncodeUtf16(static_cast<char32_t>(code), units);
    AppendField(out, directive, std::u16string_view(units, count));
    return true;
}

bool AppendText(std::u16string& out, Directive const& directive, LogArgument const& argument)
{
    if (argument.kind == Utils::LOG_ARGUMENT_WIDE_TEXT) {
        char16_t const* const text = argument.wideText;
        AppendField(out, directive, WideText(text != nullptr ? text : u"(null)", directive.textLimit));
        return true;
    }
    if (argument.kind == Utils::LOG_ARGUMENT_NARROW_TEXT) {
        char const* const text = argument.narrowText;
        AppendField(out, directive, WidenNarrow(text != nullptr ? text : "(null)", directive.textLimit));
        return true;
    }
    return false;
}

bool AppendFloating(std::u16string& out, Directive directive, LogArgument const& argument)
{
    if (argument.kind == Utils::LOG_ARGUMENT_LONG_DOUBLE) {
        directive.length = Length::LongDouble;
        AppendPrintfFloating(out, directive, argument.longDoubleValue);
        return true;
    }
    if (argument.kind != Utils::LOG_ARGUMENT_DOUBLE) {
        return false;
    }
    directive.length = Length::None;
    if (!AppendFastFloating(out, directive, argument.doubleValue)) {
        AppendPrintfFloating(out, directive, argument.doubleValue);
    }
    return true;
}

// Writes one directive with its argument; false when the argument does not suit it.
bool AppendValue(std::u16string& out, Directive const& directive, LogArgument const& argument)
{
    switch (directive.conversion) {
    case u'd':
    case u'i':
    case u'o':
    case u'u':
    case u'x':
    case u'X': {
        if (!IsInteger(&argument)) {
            return false;
        }
        bool const isSigned = directive.conversion == u'd' || directive.conversion == u'i';
        AppendInteger(out, directive, IntegerValue(argument, directive.length, isSigned), isSigned);
        return true;
    }
    case u'p':
        if (argument.kind != Utils::LOG_ARGUMENT_POINTER && argument.kind != Utils::LOG_ARGUMENT_WIDE_TEXT
            && argument.kind != Utils::LOG_ARGUMENT_NARROW_TEXT) {
            return false;
        }
        AppendPointer(out, directive,
            argument.kind == Utils::LOG_ARGUMENT_WIDE_TEXT         ? static_cast<void const*>(argument.wideText)
                : argument.kind == Utils::LOG_ARGUMENT_NARROW_TEXT ? static_cast<void const*>(argument.narrowText)
                                                                   : argument.pointer);
        return true;
    case u'c':
    case u'C':
        return IsInteger(&argument) && AppendCharacter(out, directive, argument);
    case u's':
    case u'S':
        return AppendText(out, directive, argument);
    default:
        return AppendFloating(out, directive, argument);
    }
}

} // namespace

void AppendWideFormat(std::u16string& out, char16_t const* format, std::span<LogArgument const> list)
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
        if (directive.conversion == u'%') {
            out.push_back(u'%');
            continue;
        }
        if (directive.conversion == u'n') {
            // Refused; its arguments are consumed so that the rest stay in step.
            TakeStarArguments(directive, args);
            args.Next();
            out.append(start, it);
            continue;
        }
        bool const starsTaken = TakeStarArguments(directive, args);
        LogArgument const* const argument = args.Next();
        if (!starsTaken || argument == nullptr || !AppendValue(out, directive, *argument)) {
            out.append(start, it);
        }
    }
}

// ---- arguments of calls compiled against the variadic entry points ----------

namespace {

// The caller's C variadic arguments, copied so that the caller's list stays as it was.
class VariadicArguments {
public:
    explicit VariadicArguments(std::va_list args) { va_copy(m_List, args); }
    VariadicArguments(VariadicArguments const&) = delete;
    VariadicArguments& operator=(VariadicArguments const&) = delete;
    ~VariadicArguments() { va_end(m_List); }

    template <class T> T Next() { return va_arg(m_List, T); }

private:
    std::va_list m_List;
};

void Tag(LogArgument& argument, Utils::LogArgumentKind kind, std::int64_t value)
{
    argument.kind = kind;
    argument.width = 8;
    argument.signedValue = value;
}

Integer NextSigned(Length length, VariadicArguments& args)
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

std::uint64_t NextUnsigned(Length length, VariadicArguments& args)
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

// The argument that one directive read, with the type it always read.
void ReadArgument(Directive const& directive, VariadicArguments& args, LogArgument& argument)
{
    switch (directive.conversion) {
    case u'd':
    case u'i': {
        Integer const value = NextSigned(directive.length, args);
        Tag(argument, Utils::LOG_ARGUMENT_SIGNED,
            value.negative ? static_cast<std::int64_t>(0 - value.magnitude)
                           : static_cast<std::int64_t>(value.magnitude));
        return;
    }
    case u'o':
    case u'u':
    case u'x':
    case u'X':
        argument.kind = Utils::LOG_ARGUMENT_UNSIGNED;
        argument.width = 8;
        argument.unsignedValue = NextUnsigned(directive.length, args);
        return;
    case u'c':
    case u'C': {
        int const value = args.Next<int>();
        if (IsWideText(directive)) {
            Tag(argument, Utils::LOG_ARGUMENT_SIGNED, static_cast<char16_t>(value));
        } else {
            Tag(argument, Utils::LOG_ARGUMENT_NARROW_CHAR, static_cast<unsigned char>(value));
        }
        return;
    }
    case u's':
    case u'S':
        if (IsWideText(directive)) {
            argument.kind = Utils::LOG_ARGUMENT_WIDE_TEXT;
            argument.wideText = args.Next<char16_t const*>();
        } else {
            argument.kind = Utils::LOG_ARGUMENT_NARROW_TEXT;
            argument.narrowText = args.Next<char const*>();
        }
        return;
    case u'p':
    case u'n':
        argument.kind = Utils::LOG_ARGUMENT_POINTER;
        argument.pointer = args.Next<void const*>();
        return;
    default:
        break;
    }
    if (directive.length == Length::LongDouble) {
        argument.kind = Utils::LOG_ARGUMENT_LONG_DOUBLE;
        argument.longDoubleValue = args.Next<long double>();
    } else {
        argument.kind = Utils::LOG_ARGUMENT_DOUBLE;
        argument.doubleValue = args.Next<double>();
    }
}

} // namespace

std::vector<LogArgument> ReadVariadicArguments(char16_t const* format, std::va_list list)
{
    std::vector<LogArgument> arguments;
    if (format == nullptr) {
        return arguments;
    }
    VariadicArguments args(list);
    for (char16_t const* it = format; *it != 0;) {
        if (*it++ != u'%') {
            continue;
        }
        Directive directive;
        if (!Parse(it, directive)) {
            continue;
        }
        if (directive.conversion == u'%') {
            continue;
        }
        for (bool const star : {directive.widthFromArgument, directive.precisionFromArgument}) {
            if (star) {
                Tag(arguments.emplace_back(), Utils::LOG_ARGUMENT_SIGNED, args.Next<int>());
            }
        }
        ReadArgument(directive, args, arguments.emplace_back());
    }
    return arguments;
}

} // namespace Tarnwick::Detail
