#pragma once

// Internal to the library: clients reach counters by name through
// `ServiceDiagnostics`, which owns them.

#include "diagnostics/Statistics.h"
#include "threading/InlineMutex.h"

#include <cstdint>
#include <string>

namespace Tarnwick::Diagnostics {

/// Minimum, maximum and running mean of unsigned sizes.
class alignas(Threading::Detail::kCacheLineSize) SizeCounter {
public:
    explicit SizeCounter(std::u16string name);
    SizeCounter(SizeCounter const&) = delete;
    SizeCounter& operator=(SizeCounter const&) = delete;

    void Update(std::uint32_t size);
    /// Back to minimum 999999999, maximum 0, mean 0.0 and no samples.
    void Reset();
    double GetAverage() const noexcept { return m_Statistics.GetAverage(); }
    std::uint32_t GetMax() const noexcept { return m_Statistics.GetMax(); }
    std::uint32_t GetMin() const noexcept { return m_Statistics.GetMin(); }
    /// Every figure as it was at one moment, read under the counter's mutex.
    Detail::StatisticsSnapshot Read() const;

private:
    // The lock and the statistics share the counter's first cache line.
    mutable Threading::Detail::InlineMutex m_Mutex;
    Detail::Statistics m_Statistics;
    std::u16string m_Name;
};

} // namespace Tarnwick::Diagnostics
