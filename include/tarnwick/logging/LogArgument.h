#pragma once

#include <cstdint>
#include <type_traits>

namespace Tarnwick::Utils {

/// What one argument of a log message is, as its C++ type says. The formatter
/// prints an argument only under the directives that suit its kind, so a
/// mismatched format can never make it read memory that was not passed.
enum LogArgumentKind : std::int32_t {
    LOG_ARGUMENT_SIGNED = 0, ///< a signed integer, `bool` or enumeration, in `signedValue`
    LOG_ARGUMENT_UNSIGNED = 1, ///< an unsigned integer of at least `int`'s width, in `unsignedValue`
    LOG_ARGUMENT_NARROW_CHAR = 2, ///< `char`, `signed char` or `unsigned char`, its value in `signedValue`
    LOG_ARGUMENT_DOUBLE = 3, ///< `float` or `double`, in `doubleValue`
    LOG_ARGUMENT_LONG_DOUBLE = 4, ///< `long double`, in `longDoubleValue`
    LOG_ARGUMENT_POINTER = 5, ///< any other object or function pointer, in `pointer`
    LOG_ARGUMENT_WIDE_TEXT = 6, ///< `char16_t const*` (or a null pointer literal), in `wideText`
    LOG_ARGUMENT_NARROW_TEXT = 7, ///< `char const*`, UTF-8 or Latin-1, in `narrowText`
};

/// One argument of a log message with its kind, built by the logger's entry
/// points for every argument they are given and read by the formatter. It
/// refers to texts, it does not copy them: it lives only for the call.
struct LogArgument {
    /// Signed, zero: what the formatter's own conversions start from.
    LogArgument() = default;

    /// The tagged form of `value`. Arguments of kinds that no directive prints
    /// (objects, member pointers) are refused when the call is compiled.
    template <class T> constexpr explicit LogArgument(T value) noexcept { Assign(value); }

    /// Which member of the union holds the value.
    LogArgumentKind kind = LOG_ARGUMENT_SIGNED;
    /// The size in bytes of an integer after the usual promotions (4 for
    /// anything narrower than `int`): where a negative value is printed by an
    /// unsigned directive without a length modifier, it is printed as an
    /// unsigned number of this size, as printf does.
    std::int32_t width = 0;
    /// The value, in the member that `kind` names.
    union {
        std::int64_t signedValue = 0; ///< `LOG_ARGUMENT_SIGNED` and `LOG_ARGUMENT_NARROW_CHAR`
        std::uint64_t unsignedValue; ///< `LOG_ARGUMENT_UNSIGNED`
        double doubleValue; ///< `LOG_ARGUMENT_DOUBLE`
        long double longDoubleValue; ///< `LOG_ARGUMENT_LONG_DOUBLE`
        void const* pointer; ///< `LOG_ARGUMENT_POINTER`
        char16_t const* wideText; ///< `LOG_ARGUMENT_WIDE_TEXT`, may be null
        char const* narrowText; ///< `LOG_ARGUMENT_NARROW_TEXT`, may be null
    };

private:
    template <class T> constexpr void Assign(T value) noexcept
    {
        using Plain = std::remove_cv_t<T>;
        if constexpr (std::is_enum_v<Plain>) {
            Assign(static_cast<std::underlying_type_t<Plain>>(value));
        } else if constexpr (std::is_null_pointer_v<Plain>) {
            kind = LOG_ARGUMENT_WIDE_TEXT;
            wideText = nullptr;
        } else if constexpr (std::is_same_v<Plain,
                                 char> || std::is_same_v<Plain, signed char> || std::is_same_v<Plain, unsigned char>) {
            kind = LOG_ARGUMENT_NARROW_CHAR;
            width = sizeof(int);
            signedValue = value;
        } else if constexpr (std::is_integral_v<Plain>) {
            width = sizeof(Plain) < sizeof(int) ? sizeof(int) : sizeof(Plain);
            // Narrower unsigned types are promoted to int, as in a C variadic call.
            if constexpr (std::is_signed_v<Plain> || sizeof(Plain) < sizeof(int)) {
                kind = LOG_ARGUMENT_SIGNED;
                signedValue = static_cast<std::int64_t>(value);
            } else {
                kind = LOG_ARGUMENT_UNSIGNED;
                unsignedValue = static_cast<std::uint64_t>(value);
            }
        } else if constexpr (std::is_same_v<Plain, long double>) {
            kind = LOG_ARGUMENT_LONG_DOUBLE;
            longDoubleValue = value;
        } else if constexpr (std::is_floating_point_v<Plain>) {
            kind = LOG_ARGUMENT_DOUBLE;
            doubleValue = value;
        } else if constexpr (std::is_same_v<std::remove_cv_t<std::remove_pointer_t<Plain>>, char16_t>) {
            kind = LOG_ARGUMENT_WIDE_TEXT;
            wideText = value;
        } else if constexpr (std::is_same_v<std::remove_cv_t<std::remove_pointer_t<Plain>>, char>) {
            kind = LOG_ARGUMENT_NARROW_TEXT;
            narrowText = value;
        } else if constexpr (std::is_pointer_v<Plain> && std::is_function_v<std::remove_pointer_t<Plain>>) {
            kind = LOG_ARGUMENT_POINTER;
            pointer = reinterpret_cast<void const*>(value);
        } else if constexpr (std::is_pointer_v<Plain>) {
            kind = LOG_ARGUMENT_POINTER;
            pointer = const_cast<void const*>(static_cast<void const volatile*>(value));
        } else {
            static_assert(std::is_pointer_v<Plain>,
                "log arguments are numbers, characters, texts and pointers: pass a string's c_str()");
        }
    }
};

} // namespace Tarnwick::Utils
