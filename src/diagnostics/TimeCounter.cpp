#include "diagnostics/TimeCounter.h"

#include <tarnwick/core/Conversion.h>
#include <tarnwick/core/ServiceException.h>
#include <tarnwick/stubproxy/TimeStamp.h>
#include <tarnwick/threading/MutexLock.h>

#include "core/ClassName.h"
#include "diagnostics/Report.h"
#include "threading/GuardedSection.h"

#include <exception>
#include <utility>

namespace Tarnwick::Diagnostics {

// Taking the lock brings the statistics along.
static_assert(
    sizeof(Threading::Detail::InlineMutex) + Detail::Statistics::kHotSize <= Threading::Detail::kCacheLineSize);

namespace {
// The line numbers are part of the exceptions' interface.
constexpr std::int32_t kDestructorLine = 30;
constexpr std::int32_t kStartLockLine = 38;
constexpr std::int32_t kStartExistsLine = 45;
constexpr std::int32_t kStopLockLine = 56;
constexpr std::int32_t kStopNotFoundLine = 64;
constexpr std::int32_t kResetLockLine = 86;
} // namespace

TimeCounter::TimeCounter(std::u16string name)
    : m_Name(std::move(name))
{ }

TimeCounter::~TimeCounter() noexcept(false)
{
    if (m_StartTimes.empty()) {
        return;
    }
    ServiceException report(u"~TimeCounter() - "
            + Utils::Conversion::IntegerToWstring(static_cast<std::int32_t>(m_StartTimes.size()))
            + u" messages left in map.",
        Tarnwick::Detail::ClassNameOf(*this), kDestructorLine);
    // Throwing while another exception propagates would end the process.
    if (std::uncaught_exceptions() > 0) {
        Detail::ReportToStandardError(report);
        return;
    }
    throw report;
}

void TimeCounter::Start(std::u16string const& id)
{
    std::uint64_t const now = DataTypes::TimeStamp::GetCurrentUTime();
    Threading::MutexLock const lock(m_Mutex);
    Tarnwick::Detail::CheckLock(lock, *this, kStartLockLine);
    if (id.empty()) {
        m_StartTime = now;
        m_StartTimeSet = true;
        return;
    }
    if (!m_StartTimes.emplace(id, now).second) {
        throw ServiceException(m_Name + u" - Start() - message with ID: " + id + u" exists in map.\n",
            Tarnwick::Detail::ClassNameOf(*this), kStartExistsLine);
    }
}

void TimeCounter::Stop(std::u16string const& id)
{
    std::uint64_t const now = DataTypes::TimeStamp::GetCurrentUTime();
    Threading::MutexLock const lock(m_Mutex);
    Tarnwick::Detail::CheckLock(lock, *this, kStopLockLine);
    // Without its start there is no duration: measuring from 1970 would fold a
    // meaningless sample into the statistics.
    auto const notFound = [&] {
        return ServiceException(m_Name + u" - Stop() - message with ID: " + id + u" not found in map.\n",
            Tarnwick::Detail::ClassNameOf(*this), kStopNotFoundLine);
    };
    std::uint64_t start = 0;
    if (id.empty()) {
        if (!m_StartTimeSet) {
            throw notFound();
        }
        start = m_StartTime; // kept: the next empty-ID stop measures from it again
    } else {
        auto const found = m_StartTimes.find(id);
        if (found == m_StartTimes.end()) {
            throw notFound();
        }
        start = found->second;
        m_StartTimes.erase(found);
    }
    // Unsigned: a clock set backwards wraps to a very large duration.
    m_Statistics.Fold(now - start);
}

void TimeCounter::Abandon(std::u16string const& id) noexcept
{
    Threading::MutexLock const lock(m_Mutex);
    m_StartTimes.erase(id);
}

void TimeCounter::Reset()
{
    Threading::MutexLock const lock(m_Mutex);
    Tarnwick::Detail::CheckLock(lock, *this, kResetLockLine);
    m_Statistics.Reset();
    m_StartTime = 0;
    m_StartTimeSet = false;
}

Detail::StatisticsSnapshot TimeCounter::Read() const
{
    // The library's lock never reports a problem, and reading changes nothing.
    Threading::MutexLock const lock(m_Mutex);
    return m_Statistics.Read();
}

} // namespace Tarnwick::Diagnostics
