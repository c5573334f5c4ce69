#pragma once

// The printf-style expansion of the loggers' wide formats. Internal to the library.

#include <cstdarg>
#include <string>

namespace Tarnwick::Detail {

/// Appends `format` expanded with `args` to `out`, with the conventions that the
/// library's clients write their formats in: %s and %c take wide text
/// (`char16_t const*`, a `char16_t` promoted to int), %S and %C narrow text;
/// the l modifier makes either wide and h makes it narrow. Narrow text is read
/// as UTF-8, a byte that starts no well-formed sequence as the Latin-1
/// character of that value. Integer, floating-point and pointer directives
/// take flags, width, precision (also '*') and the length modifiers h, hh, l,
/// ll, L, j, z, t, I, I32 and I64 as in printf; floating point is always
/// written with the "C" locale's '.', whatever locale the process has set.
/// %n writes nothing to memory: it consumes its pointer and is copied as
/// text, as is every directive that is not understood (those consume
/// nothing). A null `format` expands to nothing.
void AppendWideFormat(std::u16string& out, char16_t const* format, std::va_list args);

} // namespace Tarnwick::Detail
