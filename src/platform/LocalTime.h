#pragma once

// Conversions between a time value (seconds since 1970-01-01 00:00:00 UTC) and
// local broken-down time, with the time zone and daylight-saving rules in force
// at the moment of the call (`TZ` honoured). Internal to the library.

#include <cstdint>
#include <optional>

namespace Tarnwick::Platform {

/// Local calendar fields as the C library counts them: years since 1900,
/// months 0 to 11. Values out of their usual ranges are normalised by
/// `TimeFromLocal`.
struct LocalFields {
    std::int32_t yearsSince1900 = 0;
    std::int32_t month = 0;
    std::int32_t day = 0;
    std::int32_t hour = 0;
    std::int32_t minute = 0;
    std::int32_t second = 0;
};

/// The local time of `seconds`; empty when the platform cannot convert it.
/// Thread-safe: no shared result buffer.
std::optional<LocalFields> LocalFromTime(std::int64_t seconds) noexcept;

/// The time value of local `fields`, with the platform deciding whether
/// daylight-saving time applies; empty when the platform cannot convert them.
std::optional<std::int64_t> TimeFromLocal(LocalFields const& fields) noexcept;

} // namespace Tarnwick::Platform
