#include <tarnwick/diagnostics/ScopedTimeCounter.h>

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/diagnostics/ServiceDiagnostics.h>

#include "diagnostics/Report.h"
#include "diagnostics/TimeCounter.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>

namespace Tarnwick::Diagnostics {

namespace {

// Never reused in the life of the process: 2^64 measurements do not happen.
std::atomic<std::uint64_t> g_NextMessageNumber {1};

std::u16string OwnMessageId(std::u16string const& counterName)
{
    std::uint64_t const number = g_NextMessageNumber.fetch_add(1, std::memory_order_relaxed);
    std::string const digits = std::to_string(number);
    std::u16string id = counterName;
    id += u':';
    id.append(digits.begin(), digits.end());
    return id;
}

} // namespace

ScopedTimeCounter::ScopedTimeCounter(
    ServiceDiagnostics& diagnostics, std::u16string counterName, std::u16string messageId)
    : m_Diagnostics(diagnostics)
    , m_CounterName(std::move(counterName))
    , m_MessageId(std::move(messageId))
    , m_Started(m_Diagnostics.TimeCounterStart(m_CounterName, m_MessageId))
{ }

ScopedTimeCounter::ScopedTimeCounter(ServiceDiagnostics& diagnostics, std::u16string counterName)
    : m_Diagnostics(diagnostics)
    , m_CounterName(std::move(counterName))
    , m_MessageId(OwnMessageId(m_CounterName))
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
