#pragma once

// The operating system's manual-reset event behind `Threading::ServiceEvent`.
// Internal to the library.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include <pthread.h>
#include <sys/types.h>

namespace Tarnwick::Platform {

/// The event's state, in private memory or at the start of the shared-memory
/// object. Its layout is known to the tests, which hold the mutex from a
/// process they kill.
struct SharedEventState {
    /// `kSharedEventReady` once the creator has initialised the rest.
    std::atomic<std::uint32_t> m_Ready;
    /// Robust: serialises setting, resetting, opening and closing. A process
    /// killed while it holds the mutex leaves every field in a state that one
    /// call made whole, since each is changed in one atomic step.
    pthread_mutex_t m_Mutex;
    /// Bit 0: signalled. The other bits count the sets that signalled it, so
    /// that a waiter that a set released passes even if a reset follows. The
    /// waiters sleep on this word (a futex): a killed waiter leaves nothing
    /// behind, where a condition variable in shared memory would keep its count.
    std::atomic<std::uint32_t> m_Word;
    /// The last holder has gone and removed the name: whoever still opens this
    /// object must start over.
    bool m_Removed;
};

/// The value of `SharedEventState::m_Ready` of an initialised state ("TWEV").
constexpr std::uint32_t kSharedEventReady = 0x54574556;

/// A manual-reset event: a robust, process-shared mutex and a futex word that
/// holds the signalled state (waits timed on the monotonic clock).
///
/// A private event lives in this process's memory. A named event lives in a
/// POSIX shared-memory object whose name `SharedMemoryName` derives from the
/// event's name, so that every holder of that name, in this process or in
/// another, reaches the same state. Each holder keeps the object open with a
/// shared lock on its first byte (an open-file-description lock, which the
/// kernel drops when a holder dies, however it dies); the holder that closes
/// it and finds no other lock removes it, and an opener that finds an object
/// without any live holder starts it afresh, not signalled. A copy that a
/// child process inherits through fork works in the child but is not a holder
/// of its own: the child opens the name itself to keep the event alive.
class SharedEvent {
public:
    /// Opens the event of that name, creating it when nobody holds it; the
    /// empty name gives a new private event. Null when the system refuses.
    static std::shared_ptr<SharedEvent> Open(std::u16string const& name);

    /// The shared-memory name of an event name: "/tarnwick.event." followed by
    /// the name in UTF-8, where '%' is written "%25", '/' "%2F", '~' (which
    /// marks a shortened name) "%7E", the unit 0 "%00" and a lone surrogate
    /// "%uXXXX" (its code unit in hexadecimal). A result longer than the system
    /// allows (255 bytes after the '/') keeps its first 238 bytes, then '~' and
    /// the 16 hexadecimal digits of a 64-bit hash of the whole mapped name.
    static std::string SharedMemoryName(std::u16string const& name);

    SharedEvent(SharedEvent const&) = delete;
    SharedEvent& operator=(SharedEvent const&) = delete;
    ~SharedEvent();

    /// Signals the event and releases every thread that waits on it.
    void Set() noexcept;
    void Reset() noexcept;
    /// Waits until the event is signalled (true) or `milliseconds` pass
    /// (false); 0xFFFFFFFF waits without limit. A waiter that a `Set` released
    /// passes even if a `Reset` follows before it runs.
    bool Wait(std::uint32_t milliseconds) noexcept;

private:
    SharedEvent(SharedEventState* state, std::string sharedName, int descriptor) noexcept;

    SharedEventState* m_State;
    std::string m_SharedName; // empty for a private event
    int m_Descriptor; // the shared-memory object, holding the holder's lock; -1 for a private event
    pid_t m_Opener; // the process that holds through this object
};

} // namespace Tarnwick::Platform
