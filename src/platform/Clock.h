#pragma once

// The wall clock behind `DataTypes::TimeStamp::GetCurrentUTime`. Internal to
// the library.

#include <cstdint>

namespace Tarnwick::Platform {

/// The seconds from 1601-01-01 00:00:00 UTC to 1970-01-01 00:00:00 UTC.
inline constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600;

/// The current UTC time as a count of 100-nanosecond intervals since
/// 1601-01-01 00:00:00 UTC, independent of the time zone. Safe on any thread.
std::uint64_t SystemFileTime() noexcept;

} // namespace Tarnwick::Platform
