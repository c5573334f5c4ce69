#include "diagnostics/NumberCounter.h"

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/threading/MutexLock.h>

#include "core/ClassName.h"
#include "threading/GuardedSection.h"

#include <utility>

namespace Tarnwick::Diagnostics {

// Taking the lock brings the count along.
static_assert(
    sizeof(Threading::Detail::InlineMutex) + sizeof(std::atomic<std::int32_t>) <= Threading::Detail::kCacheLineSize);

namespace {
// The line numbers are part of the exceptions' interface.
constexpr std::int32_t kIncreaseLockLine = 26;
constexpr std::int32_t kDecreaseLockLine = 34;
constexpr std::int32_t kResetLockLine = 42;
} // namespace

NumberCounter::NumberCounter(std::u16string name)
    : m_Name(std::move(name))
{ }

void NumberCounter::Add(std::int32_t delta) noexcept
{
    // Wraps like the plain 32-bit integer it is, without signed overflow.
    auto const count = static_cast<std::uint32_t>(m_Count.load(std::memory_order_relaxed));
    m_Count.store(static_cast<std::int32_t>(count + static_cast<std::uint32_t>(delta)), std::memory_order_relaxed);
}

void NumberCounter::Increase()
{
    Threading::MutexLock const lock(m_Mutex);
    Tarnwick::Detail::CheckLock(lock, *this, kIncreaseLockLine);
    Add(1);
}

void NumberCounter::Decrease()
{
    Threading::MutexLock const lock(m_Mutex);
    Tarnwick::Detail::CheckLock(lock, *this, kDecreaseLockLine);
    Add(-1);
}

void NumberCounter::Reset(std::int32_t value)
{
    Threading::MutexLock const lock(m_Mutex);
    Tarnwick::Detail::CheckLock(lock, *this, kResetLockLine);
    m_Count.store(value, std::memory_order_relaxed);
}

} // namespace Tarnwick::Diagnostics
