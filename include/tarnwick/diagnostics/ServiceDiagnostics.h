#pragma once

#include <tarnwick/core/Export.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace Tarnwick::Threading {
class Mutex;
} // namespace Tarnwick::Threading

namespace Tarnwick::Detail {
class LevelOverrides;
} // namespace Tarnwick::Detail

namespace Tarnwick::Diagnostics {

class NumberCounter;
class SizeCounter;
class TimeCounter;
namespace Detail {
template <class Counter> class CounterIndex;
class MetricsSnapshot;
} // namespace Detail

/// A named set of number, time and size counters, each kind in its own name
/// space and created on first use. The level switches which kind counts: a
/// modifying operation of a disabled kind answers false and does nothing;
/// reading operations answer whatever the level. Many threads may count
/// through one object at once.
class TARNWICK_EXPORT ServiceDiagnostics {
public:
    /// Plain values, not flags: one kind, or all of them.
    enum DiagnosticsLevel : std::int32_t {
        SD_NONE = 0,
        SD_NUMBER_COUNTER = 1,
        SD_TIME_COUNTER = 2,
        SD_SIZE_COUNTER = 3,
        SD_ALL = 4,
    };

    /// No counters yet, level `SD_NONE` until a manager's setting or `SetLevel` says otherwise.
    ServiceDiagnostics(std::u16string const& name);
    ServiceDiagnostics(ServiceDiagnostics const&) = delete;
    ServiceDiagnostics& operator=(ServiceDiagnostics const&) = delete;
    /// Releases every counter. A time counter with measurements in flight
    /// reports "~TimeCounter() - N messages left in map.", which is thrown
    /// after all counters are released, unless another exception is
    /// propagating (then it goes to standard error). No other thread may use
    /// the object meanwhile.
    ~ServiceDiagnostics() noexcept(false);

    /// The name the level settings are matched against.
    std::u16string GetName() const;
    /// The level in force.
    DiagnosticsLevel GetLevelType() const;
    /// Replaces the level until the manager next applies its settings (when it makes
    /// diagnostics or a setting changes); only where some setting matches this name is
    /// the level then replaced. Any thread.
    void SetLevel(DiagnosticsLevel level);
    /// "SD_NONE" ... "SD_ALL" (exact, case-sensitive) to 0 ... 4. Any other text throws
    /// `"GetLevelType() - type name <name> unknown"` (source "ServiceDiagnostics", line 227).
    static DiagnosticsLevel GetLevelType(std::u16string const& name);

    /// The modifiers: each answers false and changes nothing when the level
    /// disables its kind. A number counter counts up or down by one or is reset to
    /// `value`; a size counter folds `size` into minimum, maximum and mean, or is reset.
    /// @{
    bool NumberCounterIncrease(std::u16string const& counterName);
    bool NumberCounterDecrease(std::u16string const& counterName);
    bool NumberCounterReset(std::u16string const& counterName, std::int32_t value);
    bool SizeCounterUpdate(std::u16string const& counterName, std::uint32_t size);
    bool SizeCounterReset(std::u16string const& counterName);
    /// @}
    /// Starts a measurement: the empty ID names one anonymous measurement that a new
    /// start restarts; any other ID throws
    /// `"<counter> - Start() - message with ID: <id> exists in map.\n"` (source "Tarnwick::Diagnostics::TimeCounter",
    /// line 45) while it is in flight.
    bool TimeCounterStart(std::u16string const& counterName, std::u16string const& messageId);
    /// Folds the microseconds since the start of `messageId` into the statistics.
    /// Throws `"<counter> - Stop() - message with ID: <id> not found in map.\n"` (source
    /// "Tarnwick::Diagnostics::TimeCounter", line 64) for an ID not in
    /// flight, the empty ID without its start included.
    bool TimeCounterStop(std::u16string const& counterName, std::u16string const& messageId);
    /// Clears the statistics; measurements in flight stay and can be stopped.
    bool TimeCounterReset(std::u16string const& counterName);

    /// The readers, at every level. A counter never used yet is created and reports its
    /// initial value: count 0, minimum 999999999, maximum 0, mean 0.0. Minimum and
    /// maximum of time counters are in microseconds, saturating at 4294967295.
    /// @{
    std::int32_t NumberCounterGetCount(std::u16string const& counterName);
    double SizeCounterGetAverage(std::u16string const& counterName);
    std::uint32_t SizeCounterGetMax(std::u16string const& counterName);
    std::uint32_t SizeCounterGetMin(std::u16string const& counterName);
    double TimeCounterGetAverage(std::u16string const& counterName);
    std::uint32_t TimeCounterGetMax(std::u16string const& counterName);
    std::uint32_t TimeCounterGetMin(std::u16string const& counterName);
    /// @}

private:
    // Ends a measurement without a sample when the level was switched off meanwhile.
    friend class ScopedTimeCounter;
    // Lists the counters under `m_Mutex` for the metrics export.
    friend class Detail::MetricsSnapshot;
    // Registers its diagnostics and gives them the level of their settings.
    friend class DiagnosticsManager;

    NumberCounter* GetNumberCounter(std::u16string const& counterName);
    TimeCounter* GetTimeCounter(std::u16string const& counterName);
    SizeCounter* GetSizeCounter(std::u16string const& counterName);

    /// Serialises the creation of counters; finding one takes no lock.
    std::unique_ptr<Threading::Mutex> m_Mutex;
    std::unique_ptr<Detail::CounterIndex<NumberCounter>> m_NumberCounters;
    std::unique_ptr<Detail::CounterIndex<TimeCounter>> m_TimeCounters;
    std::unique_ptr<Detail::CounterIndex<SizeCounter>> m_SizeCounters;
    std::u16string m_Name;
    std::atomic<DiagnosticsLevel> m_Level;
    // Where diagnostics registered with a manager note, once until the
    // manager's next application, that their level was set directly.
    Tarnwick::Detail::LevelOverrides* m_LevelOverrides = nullptr;
    std::size_t m_Slot = 0;
    std::atomic<bool> m_LevelOverridden = false;
};

} // namespace Tarnwick::Diagnostics
