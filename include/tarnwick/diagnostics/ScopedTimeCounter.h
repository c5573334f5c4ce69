#pragma once

#include <tarnwick/core/Export.h>

#include <string>

namespace Tarnwick::Diagnostics {

class ServiceDiagnostics;

/// Times the scope it lives in: a `TimeCounterStart` on construction and the
/// matching `TimeCounterStop` on destruction, on every path out of the scope,
/// an exception included. A stop can so no longer be skipped, which would leave
/// the measurement in flight and make the diagnostics' destructor throw at
/// shutdown. Not copyable: each start is matched by exactly one stop.
///
/// ```cpp
/// {
///     ScopedTimeCounter timing(*diagnostics, u"latency", u"msg-17");
///     Handle(request); // may throw; the measurement ends either way
/// }
/// {
///     ScopedTimeCounter timing(*diagnostics, u"latency"); // an ID of its own
///     Handle(request);
/// }
/// ```
class TARNWICK_EXPORT ScopedTimeCounter {
public:
    /// Starts the measurement `messageId` of the time counter `counterName`.
    /// When the level does not enable time counters nothing starts, and so
    /// nothing stops later. Throws what `TimeCounterStart` throws (an ID already
    /// in flight); no measurement is then owned. `[[nodiscard]]`, since a
    /// temporary would stop at once, measuring nothing.
    [[nodiscard]] ScopedTimeCounter(
        ServiceDiagnostics& diagnostics, std::u16string counterName, std::u16string messageId);
    /// As above with an ID of its own: the counter's name, ':' and a decimal
    /// sequence number drawn from one process-wide atomic count (for example
    /// "latency:42"), so that no two such measurements in the process, running
    /// at once or not, share an ID. IDs of that form are left to this
    /// constructor: one started by hand could meet it.
    [[nodiscard]] ScopedTimeCounter(ServiceDiagnostics& diagnostics, std::u16string counterName);
    ScopedTimeCounter(ScopedTimeCounter const&) = delete;
    ScopedTimeCounter& operator=(ScopedTimeCounter const&) = delete;
    /// Stops the measurement it started, folding its duration into the
    /// counter. Never throws, as it may run while an exception unwinds the
    /// stack: a stop that fails (the ID stopped or reset meanwhile by hand) is
    /// written to standard error as the exception's `ToString()` line, and a
    /// level switched off since the start ends the measurement without a sample.
    /// The diagnostics object must outlive this one.
    ~ScopedTimeCounter();

    /// Whether a measurement was started, and so will be stopped: false when
    /// the level did not enable time counters at construction.
    bool IsStarted() const noexcept { return m_Started; }
    /// The ID of the measurement, given or made.
    std::u16string const& GetMessageId() const noexcept { return m_MessageId; }

private:
    ServiceDiagnostics& m_Diagnostics;
    std::u16string m_CounterName;
    std::u16string m_MessageId;
    bool m_Started;
};

} // namespace Tarnwick::Diagnostics
