#pragma once

#include <tarnwick/core/Export.h>

#include <memory>

namespace Tarnwick::Platform {
class RecursiveMutex;
} // namespace Tarnwick::Platform

namespace Tarnwick::Threading {

/// A recursive mutex: the thread that holds it may acquire it again and must
/// release it as often as it acquired it. Copies denote the same mutex, which
/// is closed when the last object denoting it goes.
class TARNWICK_EXPORT Mutex {
public:
    /// A new mutex, held by nobody.
    Mutex();
    /// Denotes the same mutex as `other`.
    Mutex(Mutex const& other) noexcept;
    /// Makes this object denote the source's mutex; the former mutex stays valid
    /// for the objects that still denote it. Do not assign to a `Mutex` that
    /// this thread holds through a `MutexLock`.
    Mutex& operator=(Mutex const& other) noexcept;
    virtual ~Mutex();

    /// Returns when the calling thread owns the mutex (at once if it already does).
    void MutexLock();
    /// Releases one ownership; a thread that does not own the mutex changes nothing.
    void MutexUnLock();

    /// `MutexLock()` under the name the standard lock helpers call, so that
    /// `std::lock_guard`, `std::scoped_lock`, `std::unique_lock` and
    /// `std::condition_variable_any` work with this mutex.
    void lock();
    /// `MutexUnLock()` under the standard name: releases one ownership.
    void unlock();
    /// Takes the mutex without waiting: true when it was free or is already
    /// this thread's (one ownership more, to be released as any other), false
    /// when another thread holds it. A `std::condition_variable_any` wait
    /// releases one ownership only, so wait with the mutex held once.
    bool try_lock();

protected:
    /// For the library's own mutexes whose lock lives inside the object they
    /// guard rather than in an allocation of its own.
    explicit Mutex(std::shared_ptr<Platform::RecursiveMutex> handle) noexcept;

private:
    std::shared_ptr<Platform::RecursiveMutex> m_Handle;
};

} // namespace Tarnwick::Threading
