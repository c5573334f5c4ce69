#pragma once

// Helpers shared by the tests of the time classes: a scoped time-zone setting,
// so that no test depends on the machine's own zone, and exception capture.

#include <tarnwick/core/ServiceException.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace Tarnwick::Tests {

/// POSIX rule strings: no time-zone database is needed.
inline constexpr char const* kUtc = "UTC0";
/// Central European time: UTC+1, daylight saving (UTC+2) from the last Sunday
/// of March 02:00 to the last Sunday of October 03:00.
inline constexpr char const* kCentralEurope = "CET-1CEST,M3.5.0,M10.5.0/3";

/// What every TimeStamp conversion beyond the supported range raises.
inline constexpr char16_t const* kSetUTimeFailure
    = u"Exception: Tarnwick::DataTypes::TimeStamp line 178 - SetUTime exception.";

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(char const* zone)
    {
        if (char const* previous = std::getenv("TZ")) {
            m_Previous = previous;
        }
        Set(zone);
    }
    ScopedTimeZone(ScopedTimeZone const&) = delete;
    ScopedTimeZone& operator=(ScopedTimeZone const&) = delete;
    ~ScopedTimeZone()
    {
        if (m_Previous) {
            setenv("TZ", m_Previous->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

    static void Set(char const* zone)
    {
        setenv("TZ", zone, 1);
        tzset();
    }

private:
    std::optional<std::string> m_Previous;
};

/// The `ToString()` line of the ServiceException that `action` raises, or a
/// marker text when it raises none.
template <class Action> std::u16string ThrownText(Action&& action)
{
    try {
        action();
    } catch (ServiceException const& e) {
        return e.ToString();
    }
    return u"(no ServiceException)";
}

} // namespace Tarnwick::Tests
