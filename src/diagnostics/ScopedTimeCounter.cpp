#include <tarnwick/diagnostics/ScopedTimeCounter.h>

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/diagnostics/ServiceDiagnostics.h>

#include "diagnostics/Report.h"
#include "diagnostics/TimeCounter.h"

#include <utility>

namespace Tarnwick::Diagnostics {

ScopedTimeCounter::ScopedTimeCounter(
    ServiceDiagnostics& diagnostics, std::u16string counterName, std::u16string messageId)
    : m_Diagnostics(diagnostics)
    , m_CounterName(std::move(counterName))
    , m_MessageId(std::move(messageId))
    , m_Started(m_Diagnostics.TimeCounterStart(m_CounterName, m_MessageId))
{ }

ScopedTimeCounter::~ScopedTimeCounter()
{
    if (!m_Started) {
        return;
    }
    try {
        if (!m_Diagnostics.TimeCounterStop(m_CounterName, m_MessageId)) {
            // Left in flight, it would make the diagnostics' destructor throw.
            m_Diagnostics.GetTimeCounter(m_CounterName)->Abandon(m_MessageId);
        }
    } catch (ServiceException const& failure) {
        // Throwing here during unwinding would end the process.
        Detail::ReportToStandardError(failure);
    } catch (...) {
        // Only a failed allocation gets here; nothing is left to release.
    }
}

} // namespace Tarnwick::Diagnostics
