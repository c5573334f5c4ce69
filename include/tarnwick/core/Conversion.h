#pragma once

#include <tarnwick/core/Export.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace Tarnwick::Utils {

/// Text and number conversions used throughout the library. Stateless; every
/// operation may be called from any thread. Raw buffers returned by the
/// `...ToChar`/`...ToWchar` operations are owned by the caller (`delete[]`).
class TARNWICK_EXPORT Conversion {
public:
    /// Only static operations: there is nothing to construct.
    Conversion() = delete;

    /// Decimal text of `value`, with a leading '-' when negative.
    /// @{
    static std::string IntegerToString(std::int32_t value);
    static std::u16string IntegerToWstring(std::int32_t value);
    /// @}
    /// Decimal text of an unsigned 64-bit `value`.
    /// @{
    static std::string Integer64ToString(std::uint64_t value);
    static std::u16string Integer64ToWstring(std::uint64_t value);
    /// @}

    /// General format with 6 significant digits, as a default-formatted stream
    /// writes it; independent of any global locale.
    static std::string DoubleToString(double value);
    /// The wide form of `DoubleToString`.
    static std::u16string DoubleToWstring(double value);

    /// Base-10 prefix parse: leading blanks, optional sign, digits. Values out
    /// of the 32-bit range saturate.
    static std::int32_t WstringToInteger(std::u16string const& text);
    /// Prefix parse of a floating-point number as the C library reads it in the
    /// classic locale: 0.0 when none starts the text, +-infinity beyond the range.
    static double WstringToDouble(std::u16string const& text);

    /// One character per code unit: the unit's low 8 bits.
    static std::string WstringToString(std::u16string text);
    /// One code unit per character, by sign extension (0xB1 gives 0xFFB1).
    static std::u16string StringToWstring(std::string text);

    /// UTF-8 of UTF-16 text, whatever the locale, by the encoder's rules: a
    /// surrogate pair gives one 4-byte sequence, a lone surrogate U+FFFD
    /// (EF BF BD), the unit 0 the byte 0. For printing `ServiceException::ToString()`.
    static std::string Utf16ToUtf8(std::u16string_view text);
    /// UTF-16 of UTF-8 text, whatever the locale: characters above U+FFFF give
    /// a surrogate pair, the byte 0 the unit 0. Each ill-formed part gives one
    /// U+FFFD: a byte that starts no sequence (80 to C1, F5 to FF), or the
    /// longest start of a sequence that breaks off (E2 82 before a byte that
    /// does not continue it, or at the end). Overlong forms (C0 AF), encoded
    /// surrogates (ED A0 80) and values above U+10FFFF (F4 90 80 80) are ill-formed.
    static std::u16string Utf8ToUtf16(std::string_view text);

    /// Through the current locale. In the "C"/"POSIX" locale units 0 to 255 map
    /// one to one and any unit above 255 gives the empty text.
    static char* WcharToChar(char16_t const* text);
    /// Through the current locale. In the "C"/"POSIX" locale each byte becomes
    /// the unit of the same unsigned value.
    static char16_t* CharToWchar(char const* text);

    /// The text unchanged: wide strings already are the XML layer's UTF-16 units.
    static std::u16string WstringToXMLChString(std::u16string const& text);
    /// A copy of the zero-terminated `text`, which must not be null.
    static std::u16string XMLChToWstring(char16_t const* text);

    /// Drops the "class " prefix of a run-time type name, giving the fully
    /// qualified class name. Throws std::out_of_range for names under six characters.
    static std::u16string ConvertClassId(char const* typeName);
    /// `ConvertClassId` narrowed by `WcharToChar`; a new buffer owned by the caller (`delete[]`).
    static char* ConvertClassIdToChar(char const* typeName);
};

/// Suspends the calling thread; 0 yields the rest of its time slice.
TARNWICK_EXPORT void MilliSleep(std::uint32_t milliseconds);

} // namespace Tarnwick::Utils
