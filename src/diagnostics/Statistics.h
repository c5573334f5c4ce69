#pragma once

// Minimum, maximum and running mean of a stream of samples, shared by the size
// and time counters. Internal to the library.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace Tarnwick::Diagnostics::Detail {

/// Every figure of a `Statistics` as it was at one moment.
struct StatisticsSnapshot {
    std::uint64_t m_Samples = 0; ///< 0: no sample, the other fields are their initial values
    std::uint32_t m_Last = 0;
    std::uint32_t m_Min = 0;
    std::uint32_t m_Max = 0;
    double m_Average = 0.0;
};

/// `Fold`, `Reset` and `Read` run under the owning counter's mutex; the getters
/// read one field each without waiting, whole, as it was at some moment.
class Statistics {
public:
    /// What the minimum reports while there is no sample.
    static constexpr std::uint32_t kInitialMin = 999999999;

    void Fold(std::uint64_t sample) noexcept
    {
        // The 32-bit fields saturate: a larger sample must not wrap below the others.
        auto const stored = static_cast<std::uint32_t>(std::min<std::uint64_t>(sample, UINT32_MAX));
        // The first sample is the minimum even when it is at or above the
        // initial 999999999, which is never a sample of its own.
        if (m_Count == 0 || sample < m_Min.load(std::memory_order_relaxed)) {
            m_Min.store(stored, std::memory_order_relaxed);
        }
        if (sample > m_Max.load(std::memory_order_relaxed)) {
            m_Max.store(stored, std::memory_order_relaxed);
        }
        m_Last = stored;
        ++m_Count;
        double const n = static_cast<double>(m_Count);
        double const average = m_Average.load(std::memory_order_relaxed);
        m_Average.store(((n - 1) / n) * average + static_cast<double>(sample) / n, std::memory_order_relaxed);
    }

    void Reset() noexcept
    {
        m_Min.store(kInitialMin, std::memory_order_relaxed);
        m_Max.store(0, std::memory_order_relaxed);
        m_Average.store(0.0, std::memory_order_relaxed);
        m_Last = 0;
        m_Count = 0;
    }

    /// All figures at once; consistent only under the owning counter's mutex.
    StatisticsSnapshot Read() const noexcept { return {m_Count, m_Last, GetMin(), GetMax(), GetAverage()}; }

    std::uint32_t GetMin() const noexcept { return m_Min.load(std::memory_order_relaxed); }
    std::uint32_t GetMax() const noexcept { return m_Max.load(std::memory_order_relaxed); }
    double GetAverage() const noexcept { return m_Average.load(std::memory_order_relaxed); }

private:
    std::atomic<std::uint32_t> m_Min {kInitialMin};
    std::atomic<std::uint32_t> m_Max {0};
    std::atomic<double> m_Average {0.0};
    // Samples folded since construction or `Reset`; 64 bits, so that it never
    // wraps to 0 and turns the mean into a division by zero.
    std::uint64_t m_Count = 0;

public:
    /// The size of the fields that every fold and every getter touches, which
    /// the counters keep in one cache line with their mutex.
    static constexpr std::size_t kHotSize = sizeof(m_Min) + sizeof(m_Max) + sizeof(m_Average) + sizeof(m_Count);

private:
    // Saturated like the maximum. Read only by `Read` (the metrics export), so
    // it may spill past the cache line of the fields above.
    std::uint32_t m_Last = 0;
};

} // namespace Tarnwick::Diagnostics::Detail
