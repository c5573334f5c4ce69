#pragma once

// The printf-style expansion of the loggers' wide formats. Internal to the library.

#include <tarnwick/logging/LogArgument.h>

#include <cstdarg>
#include <span>
#include <string>
#include <vector>

namespace Tarnwick::Detail {

/// Appends `format` expanded with `args` to `out`. Each directive takes the
/// next argument and prints it only if its kind suits the directive:
/// - d, i, o, u, x, X: an integer of any width, a character or a `bool`, with
///   its value whatever the length modifier says (no truncation). A negative
///   value under o, u, x, X is printed as the unsigned number of the length
///   modifier's size when it fits that size (so %hhx of -1 is "ff"), else of
///   the argument's own promoted size; an unsigned value under d, i likewise
///   as the signed number of that size, as printf does.
/// - e, E, f, F, g, G, a, A: a `float`, `double` or `long double`, each at its
///   own precision whatever the L modifier says; always with the "C" locale's '.'.
/// - c, C: a character (a narrow one as the Latin-1 character of its byte) or
///   an integer that is a code point (a surrogate code unit as it is).
/// - s, S: wide text (`char16_t const*`) or narrow text (`char const*`, read as
///   UTF-8, a byte that starts no well-formed sequence as its Latin-1
///   character), whatever the letter's case or the l and h modifiers; a null
///   text as "(null)".
/// - p: any pointer, texts included; a null one as "(nil)".
/// The precision of s and S is kept whole; a width, or another precision,
/// beyond 1,048,576 counts as 1,048,576.
/// Flags, width and precision (also '*', which takes an integer argument) and
/// the length modifiers h, hh, l, ll, L, j, z, t, I, I32 and I64 are parsed as
/// in printf. A directive whose argument is missing or of a kind it does not
/// print is written as it stands in the format, having consumed the arguments
/// that were there; surplus arguments are ignored. %n writes nothing to
/// memory: it consumes its argument and is copied as text, as is every
/// directive that is not understood (those consume nothing). A null `format`
/// expands to nothing.
void AppendWideFormat(std::u16string& out, char16_t const* format, std::span<Utils::LogArgument const> args);

/// Reads the C variadic arguments of a call compiled against the earlier form
/// of the entry points: each directive of `format` reads the type that its
/// conversion and length modifier name (an int narrowed by h and hh, a wide
/// text under s and c, a narrow one under S and C unless l or h says
/// otherwise), and the values are tagged so that `AppendWideFormat` writes
/// them as they were always written. `args` itself is left unread.
std::vector<Utils::LogArgument> ReadVariadicArguments(char16_t const* format, std::va_list args);

} // namespace Tarnwick::Detail
