#pragma once

// Internal to the library: clients reach counters by name through
// `ServiceDiagnostics`, which owns them.

#include "diagnostics/Statistics.h"
#include "threading/InlineMutex.h"

#include <cstdint>
#include <map>
#include <string>

namespace Tarnwick::Diagnostics {

/// Minimum, maximum and running mean of durations in microseconds, each
/// measured from a `Start` to the `Stop` with the same message ID, so that
/// many measurements can be in flight at once; the empty ID is one further
/// measurement of its own.
class alignas(Threading::Detail::kCacheLineSize) TimeCounter {
public:
    explicit TimeCounter(std::u16string name);
    TimeCounter(TimeCounter const&) = delete;
    TimeCounter& operator=(TimeCounter const&) = delete;
    /// Measurements still in flight are reported as "~TimeCounter() - N
    /// messages left in map.": thrown when no other exception is propagating,
    /// otherwise written to standard error. The counter is released either way.
    ~TimeCounter() noexcept(false);

    /// Throws "... exists in map." for an ID already in flight.
    void Start(std::u16string const& id);
    /// Throws "... not found in map." for an ID not in flight; the empty ID
    /// counts as in flight from its `Start` until `Reset`, and each of its
    /// `Stop`s measures from that same start.
    void Stop(std::u16string const& id);
    /// Ends the measurement `id` without a sample; nothing happens when it is
    /// not in flight. The empty-ID start stays, as it does after a `Stop`.
    void Abandon(std::u16string const& id) noexcept;
    /// Clears the statistics and the empty-ID start; measurements by ID stay in flight.
    void Reset();

    std::u16string GetName() const { return m_Name; }
    double GetAverage() const noexcept { return m_Statistics.GetAverage(); }
    std::uint32_t GetMax() const noexcept { return m_Statistics.GetMax(); }
    std::uint32_t GetMin() const noexcept { return m_Statistics.GetMin(); }
    /// Every figure as it was at one moment, read under the counter's mutex.
    Detail::StatisticsSnapshot Read() const;

private:
    // The lock and the statistics share the counter's first cache line.
    mutable Threading::Detail::InlineMutex m_Mutex;
    Detail::Statistics m_Statistics;
    std::uint64_t m_StartTime = 0;
    bool m_StartTimeSet = false; // an empty-ID `Start` since construction or `Reset`
    std::map<std::u16string, std::uint64_t> m_StartTimes;
    std::u16string m_Name;
};

} // namespace Tarnwick::Diagnostics
