#include <tarnwick/threading/ServiceEvent.h>

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/threading/MutexLock.h>

#include "core/ClassName.h"
#include "platform/SharedEvent.h"
#include "threading/GuardedSection.h"

namespace Tarnwick::Threading {

namespace {
// The line numbers are part of the exceptions' interface.
constexpr std::int32_t kSetEventLockLine = 46;
constexpr std::int32_t kResetEventLockLine = 64;
} // namespace

ServiceEvent::ServiceEvent()
    : ServiceEvent(std::u16string())
{ }

ServiceEvent::ServiceEvent(std::u16string const& name)
    : m_Event(Platform::SharedEvent::Open(name))
    , m_State(false)
    , m_Mutex()
{ }

ServiceEvent::ServiceEvent(ServiceEvent const& other)
    : m_Event(other.m_Event)
    , m_State(other.m_State.load())
    , m_Mutex(other.m_Mutex)
{ }

ServiceEvent& ServiceEvent::operator=(ServiceEvent const& other)
{
    m_Event = other.m_Event;
    m_State = other.m_State.load();
    m_Mutex = other.m_Mutex;
    return *this;
}

ServiceEvent::~ServiceEvent()
{
    m_Event.reset();
    m_State = false;
}

// The cached state is tested and changed under the mutex, so that a reset
// racing with a set is never lost.
void ServiceEvent::SetEvent()
{
    MutexLock const lock(m_Mutex);
    Tarnwick::Detail::CheckLock(lock, *this, kSetEventLockLine);
    if (m_State) {
        return;
    }
    m_State = true;
    if (m_Event) {
        m_Event->Set();
    }
}

void ServiceEvent::ResetEvent()
{
    MutexLock const lock(m_Mutex);
    Tarnwick::Detail::CheckLock(lock, *this, kResetEventLockLine);
    if (!m_State) {
        return;
    }
    m_State = false;
    if (m_Event) {
        m_Event->Reset();
    }
}

bool ServiceEvent::WaitForEvent(std::uint32_t milliseconds)
{
    return m_Event && m_Event->Wait(milliseconds);
}

bool ServiceEvent::GetEventState() const
{
    return m_State;
}

} // namespace Tarnwick::Threading
