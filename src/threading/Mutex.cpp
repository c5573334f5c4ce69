#include <tarnwick/threading/Mutex.h>

#include "platform/RecursiveMutex.h"

#include <utility>

namespace Tarnwick::Threading {

Mutex::Mutex()
    : m_Handle(std::make_shared<Platform::RecursiveMutex>())
{ }

Mutex::Mutex(std::shared_ptr<Platform::RecursiveMutex> handle) noexcept
    : m_Handle(std::move(handle))
{ }

Mutex::Mutex(Mutex const& other) noexcept = default;

Mutex& Mutex::operator=(Mutex const& other) noexcept = default;

Mutex::~Mutex() = default;

void Mutex::MutexLock()
{
    m_Handle->Lock();
}

void Mutex::MutexUnLock()
{
    m_Handle->Unlock();
}

void Mutex::lock()
{
    m_Handle->Lock();
}

void Mutex::unlock()
{
    m_Handle->Unlock();
}

bool Mutex::try_lock()
{
    return m_Handle->TryLock();
}

} // namespace Tarnwick::Threading
