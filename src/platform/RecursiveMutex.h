#pragma once

// The operating system's recursive mutex behind `Threading::Mutex`. Internal to
// the library.

#include <pthread.h>

namespace Tarnwick::Platform {

/// A recursive POSIX mutex: the owning thread may lock it again and must unlock
/// it as often; an unlock by a thread that does not own it fails silently.
class RecursiveMutex {
public:
    RecursiveMutex() noexcept;
    RecursiveMutex(RecursiveMutex const&) = delete;
    RecursiveMutex& operator=(RecursiveMutex const&) = delete;
    ~RecursiveMutex();

    void Lock() noexcept { pthread_mutex_lock(&m_Mutex); }
    // A recursive mutex checks ownership: EPERM for a thread that does not
    // hold it, which leaves the mutex untouched.
    void Unlock() noexcept { pthread_mutex_unlock(&m_Mutex); }

private:
    pthread_mutex_t m_Mutex;
};

} // namespace Tarnwick::Platform
