#include <tarnwick/threading/MutexLock.h>

namespace Tarnwick::Threading {

MutexLock::MutexLock(Mutex& mutex)
    : m_Mutex(&mutex)
{
    m_Mutex->MutexLock();
}

MutexLock::~MutexLock()
{
    m_Mutex->MutexUnLock();
}

} // namespace Tarnwick::Threading
