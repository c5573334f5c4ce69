#include "platform/RecursiveMutex.h"

namespace Tarnwick::Platform {

RecursiveMutex::RecursiveMutex() noexcept
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&m_Mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

RecursiveMutex::~RecursiveMutex()
{
    pthread_mutex_destroy(&m_Mutex);
}

} // namespace Tarnwick::Platform
