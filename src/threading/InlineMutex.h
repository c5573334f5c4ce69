#pragma once

// A `Threading::Mutex` whose lock lives inside it. Internal to the library.

#include <tarnwick/threading/Mutex.h>

#include "platform/RecursiveMutex.h"

#include <cstddef>
#include <memory>

namespace Tarnwick::Threading::Detail {

/// The size of the unit in which caches move memory between cores.
inline constexpr std::size_t kCacheLineSize = 64;

/// Holds the lock before the `Mutex` base that denotes it is constructed.
struct InlineLockStorage {
    Platform::RecursiveMutex m_Lock;
};

/// A `Mutex` for data that is updated by many threads: placed in one cache
/// line with the fields it guards, taking the lock brings them along instead
/// of a second line from the lock's own allocation. Not copyable: the object
/// itself keeps the lock alive, so nothing may denote it beyond its lifetime.
class InlineMutex final : private InlineLockStorage, public Mutex {
public:
    InlineMutex() noexcept
        : Mutex(std::shared_ptr<Platform::RecursiveMutex>(std::shared_ptr<void>(), &m_Lock))
    { }
    InlineMutex(InlineMutex const&) = delete;
    InlineMutex& operator=(InlineMutex const&) = delete;
};

} // namespace Tarnwick::Threading::Detail
