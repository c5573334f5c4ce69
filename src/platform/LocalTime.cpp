#include "platform/LocalTime.h"

#include <cstdlib>
#include <ctime>
#include <mutex>
#include <string>

namespace Tarnwick::Platform {

static_assert(sizeof(std::time_t) == 8, "the time conversions need a 64-bit time_t");

namespace {

// localtime_r need not look at TZ again after its first call, and tzset costs
// microseconds (it re-reads the zone file when TZ is unset), which every log
// line would pay. So the zone is reloaded only when TZ differs from the value
// seen at the previous conversion.
void FollowZoneChanges()
{
    static std::mutex guard;
    static bool loaded = false;
    static bool wasSet = false;
    static std::string seen;

    char const* const tz = std::getenv("TZ");
    std::lock_guard const lock(guard);
    if (loaded && wasSet == (tz != nullptr) && (tz == nullptr || seen == tz)) {
        return;
    }
    tzset();
    loaded = true;
    wasSet = tz != nullptr;
    seen = tz != nullptr ? tz : "";
}

} // namespace

std::optional<LocalFields> LocalFromTime(std::int64_t seconds) noexcept
{
    try {
        FollowZoneChanges();
    } catch (...) {
        return std::nullopt;
    }
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
