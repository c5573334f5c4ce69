#pragma once

// Which kinds of counter each diagnostics level switches on. Internal to the
// library: shared by the counting operations and the metrics export.

#include <tarnwick/diagnostics/ServiceDiagnostics.h>

#include <array>
#include <cstddef>
#include <iterator>

namespace Tarnwick::Diagnostics::Detail {

enum CounterKind : std::size_t { NUMBER_KIND, TIME_KIND, SIZE_KIND };

struct LevelRow {
    char16_t const* name;
    std::array<bool, 3> enables; // by CounterKind
};

// Indexed by level value.
inline constexpr LevelRow kLevels[] = {
    {u"SD_NONE", {false, false, false}},
    {u"SD_NUMBER_COUNTER", {true, false, false}},
    {u"SD_TIME_COUNTER", {false, true, false}},
    {u"SD_SIZE_COUNTER", {false, false, true}},
    {u"SD_ALL", {true, true, true}},
};

/// Whether `level` switches `kind` on; a value outside the enumeration switches nothing on.
constexpr bool Enables(ServiceDiagnostics::DiagnosticsLevel level, CounterKind kind) noexcept
{
    return level >= 0 && static_cast<std::size_t>(level) < std::size(kLevels) && kLevels[level].enables[kind];
}

} // namespace Tarnwick::Diagnostics::Detail
