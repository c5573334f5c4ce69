#include "platform/RecursiveMutex.h"

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

namespace Tarnwick::Platform {

static_assert(sizeof(RecursiveMutex) == 16, "small enough to share a cache line with what it guards");

namespace {

// Attempts before sleeping, and the longest pause between two of them (in
// spin-loop hints, which double from one). Together a microsecond or two:
// longer than a guarded section takes, far shorter than a sleep and a wake-up.
constexpr int kSpinAttempts = 16;
constexpr int kLongestPause = 4;

void CpuRelax() noexcept
{
#if defined(__x86_64__) || defined(__i386__)
    _mm_pause();
#elif defined(__aarch64__)
    asm volatile("yield" ::: "memory");
#endif
}

} // namespace

void RecursiveMutex::LockContended() noexcept
{
    auto state = State();
    // A waiter that backs off leaves the cache line to the holder, which can
    // then finish its section, and often its next one, without losing the line.
    for (int attempt = 0, pause = 1; attempt < kSpinAttempts; ++attempt) {
        for (int i = 0; i < pause; ++i) {
            CpuRelax();
        }
        pause = pause < kLongestPause ? pause * 2 : pause;
        std::uint32_t observed = state.load(std::memory_order_relaxed);
        if (observed == kFree
            && state.compare_exchange_weak(observed, kLocked, std::memory_order_acquire, std::memory_order_relaxed)) {
            return;
        }
    }
    // Marking the word contended obliges the holder to wake a sleeper when it
    // unlocks; whoever takes the lock this way keeps the mark, so that no
    // sleeper is forgotten.
    while (state.exchange(kContended, std::memory_order_acquire) != kFree) {
        syscall(SYS_futex, &m_State, FUTEX_WAIT_PRIVATE, kContended, nullptr, nullptr, 0);
    }
}

void RecursiveMutex::WakeOne() noexcept
{
    syscall(SYS_futex, &m_State, FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
}

} // namespace Tarnwick::Platform
