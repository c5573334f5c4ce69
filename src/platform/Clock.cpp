#include "platform/Clock.h"

#include <ctime>

namespace Tarnwick::Platform {

std::uint64_t SystemFileTime() noexcept
{
    timespec now {};
    clock_gettime(CLOCK_REALTIME, &now);
    // A wall clock set before 1601 cannot occur; the seconds are non-negative
    // once shifted to the 1601 origin.
    auto const seconds = static_cast<std::uint64_t>(
        static_cast<std::int64_t>(now.tv_sec) + static_cast<std::int64_t>(kSecondsFrom1601To1970));
    return seconds * 10000000 + static_cast<std::uint64_t>(now.tv_nsec) / 100;
}

} // namespace Tarnwick::Platform
