#pragma once

// The counters of diagnostics objects in the Prometheus text exposition format
// 0.0.4. Internal to the library: `DiagnosticsManager::WriteMetrics` is the
// public face.

#include "diagnostics/Statistics.h"

#include <cstdint>
#include <string>
#include <vector>

namespace Tarnwick::Diagnostics {
class ServiceDiagnostics;
} // namespace Tarnwick::Diagnostics

namespace Tarnwick::Diagnostics::Detail {

/// The figures of the enabled counters of some diagnostics objects, read one
/// counter at a time, and their exposition text. Formatting happens after all
/// figures are read, holding no lock.
class MetricsSnapshot {
public:
    struct NumberEntry {
        std::u16string const* m_Service;
        std::u16string const* m_Counter;
        std::int32_t m_Count;
    };
    struct StatisticsEntry {
        std::u16string const* m_Service;
        std::u16string const* m_Counter;
        StatisticsSnapshot m_Figures;
    };

    /// Reads the counters of `diagnostics` that its level switches on: its
    /// mutex is held only to list them, then each counter's own mutex only to
    /// read that counter's figures. The snapshot refers to the names of the
    /// object and its counters, so `diagnostics` must outlive it.
    void Add(ServiceDiagnostics const& diagnostics);

    /// Appends the exposition text: one family per figure, services and
    /// counters in code-unit order, a family without samples left out.
    void AppendTo(std::string& out) const;

private:
    std::vector<NumberEntry> m_Numbers;
    std::vector<StatisticsEntry> m_Sizes;
    std::vector<StatisticsEntry> m_Times;
};

} // namespace Tarnwick::Diagnostics::Detail
