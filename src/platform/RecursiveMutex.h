#pragma once

// The recursive mutex behind `Threading::Mutex`. Internal to the library.

#include <pthread.h>

#include <atomic>
#include <cstdint>

namespace Tarnwick::Platform {

/// A recursive mutex: the owning thread may lock it again and must unlock it as
/// often; an unlock by a thread that does not own it changes nothing.
///
/// The sections it guards are short (a counter update, a log line), so a
/// contended lock first spins briefly before it sleeps on a futex: putting a
/// thread to sleep and waking it costs microseconds, a handover between
/// running threads tens of nanoseconds. It takes 16 bytes, so that it fits in
/// one cache line with the data it guards.
class RecursiveMutex {
public:
    RecursiveMutex() noexcept = default;
    RecursiveMutex(RecursiveMutex const&) = delete;
    RecursiveMutex& operator=(RecursiveMutex const&) = delete;

    void Lock() noexcept
    {
        Identity const self = CurrentThread();
        // Only this thread ever stores its own identity, so the relaxed read
        // cannot see it unless this thread holds the mutex.
        if (m_Owner.load(std::memory_order_relaxed) == self) {
            ++m_Depth;
            return;
        }
        std::uint32_t expected = kFree;
        if (!State().compare_exchange_strong(expected, kLocked, std::memory_order_acquire, std::memory_order_relaxed)) {
            LockContended();
        }
        m_Owner.store(self, std::memory_order_relaxed);
        m_Depth = 1;
    }

    /// Takes the mutex when it is free or already this thread's; never waits.
    bool TryLock() noexcept
    {
        Identity const self = CurrentThread();
        if (m_Owner.load(std::memory_order_relaxed) == self) {
            ++m_Depth;
            return true;
        }
        std::uint32_t expected = kFree;
        if (!State().compare_exchange_strong(expected, kLocked, std::memory_order_acquire, std::memory_order_relaxed)) {
            return false;
        }
        m_Owner.store(self, std::memory_order_relaxed);
        m_Depth = 1;
        return true;
    }

    void Unlock() noexcept
    {
        if (m_Owner.load(std::memory_order_relaxed) != CurrentThread() || --m_Depth != 0) {
            return;
        }
        m_Owner.store(kNoOwner, std::memory_order_relaxed);
        if (State().exchange(kFree, std::memory_order_release) == kContended) {
            WakeOne();
        }
    }

private:
    // The futex word: free, locked, or locked with sleepers possibly waiting.
    static constexpr std::uint32_t kFree = 0;
    static constexpr std::uint32_t kLocked = 1;
    static constexpr std::uint32_t kContended = 2;

    // A running thread's identity: the address of its control block, which no
    // other running thread shares; read from the thread register without a call.
    using Identity = std::uintptr_t;
    static constexpr Identity kNoOwner = 0;
    static Identity CurrentThread() noexcept
    {
#if defined(__has_builtin) && __has_builtin(__builtin_thread_pointer)
        return reinterpret_cast<Identity>(__builtin_thread_pointer());
#else
        return static_cast<Identity>(pthread_self());
#endif
    }

    std::atomic_ref<std::uint32_t> State() noexcept
    {
        return std::atomic_ref<std::uint32_t>(m_State);
    }
    void LockContended() noexcept;
    void WakeOne() noexcept;

    alignas(std::atomic_ref<std::uint32_t>::required_alignment) std::uint32_t m_State = kFree;
    std::uint32_t m_Depth = 0; // touched by the owner only
    std::atomic<Identity> m_Owner {kNoOwner};
};

} // namespace Tarnwick::Platform
