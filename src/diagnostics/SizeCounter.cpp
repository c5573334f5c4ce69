#include "diagnostics/SizeCounter.h"

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/threading/MutexLock.h>

#include "core/ClassName.h"
#include "threading/GuardedSection.h"

#include <utility>

namespace Tarnwick::Diagnostics {

// Taking the lock brings the statistics along.
static_assert(
    sizeof(Threading::Detail::InlineMutex) + Detail::Statistics::kHotSize <= Threading::Detail::kCacheLineSize);

namespace {
// The line numbers are part of the exceptions' interface.
constexpr std::int32_t kUpdateLockLine = 32;
constexpr std::int32_t kResetLockLine = 51;
} // namespace

SizeCounter::SizeCounter(std::u16string name)
    : m_Name(std::move(name))
{ }

void SizeCounter::Update(std::uint32_t size)
{
    Threading::MutexLock const lock(m_Mutex);
    Tarnwick::Detail::CheckLock(lock, *this, kUpdateLockLine);
    m_Statistics.Fold(size);
}

void SizeCounter::Reset()
{
    Threading::MutexLock const lock(m_Mutex);
    Tarnwick::Detail::CheckLock(lock, *this, kResetLockLine);
    m_Statistics.Reset();
}

Detail::StatisticsSnapshot SizeCounter::Read() const
{
    // The library's lock never reports a problem, and reading changes nothing.
    Threading::MutexLock const lock(m_Mutex);
    return m_Statistics.Read();
}

} // namespace Tarnwick::Diagnostics
