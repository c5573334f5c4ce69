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

    void Lock() noexcept;
    void Unlock() noexcept;

private:
    pthread_mutex_t m_Mutex;
};

} // namespace Tarnwick::Platform
