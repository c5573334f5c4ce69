#include "platform/LocalTime.h"

#include <ctime>

namespace Tarnwick::Platform {

static_assert(sizeof(std::time_t) == 8, "the time conversions need a 64-bit time_t");

std::optional<LocalFields> LocalFromTime(std::int64_t seconds) noexcept
{
    // localtime_r need not look at TZ again after its first call; tzset makes
    // every conversion use the zone in force now.
    tzset();
    std::time_t const value = seconds;
    std::tm local {};
    if (localtime_r(&value, &local) == nullptr) {
        return std::nullopt;
    }
    return LocalFields {local.tm_year, local.tm_mon, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::optional<std::int64_t> TimeFromLocal(LocalFields const& fields) noexcept
{
    std::tm local {};
    local.tm_year = fields.yearsSince1900;
    local.tm_mon = fields.month;
    local.tm_mday = fields.day;
    local.tm_hour = fields.hour;
    local.tm_min = fields.minute;
    local.tm_sec = fields.second;
    local.tm_isdst = -1;
    local.tm_yday = -1;
    std::time_t const value = std::mktime(&local);
    // -1 is also the valid time 1969-12-31 23:59:59 UTC: only a successful
    // conversion fills in the day of the year.
    if (value == static_cast<std::time_t>(-1) && local.tm_yday == -1) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(value);
}

} // namespace Tarnwick::Platform
