#pragma once

// The operating system's manual-reset event behind `Threading::ServiceEvent`.
// Internal to the library.

#include <cstdint>
#include <memory>
#include <string>

#include <sys/types.h>

namespace Tarnwick::Platform {

struct SharedEventState;

/// A manual-reset event: a robust, process-shared mutex and condition variable
/// (waits timed on the monotonic clock) and the signalled state.
///
/// A private event lives in this process's memory. A named event lives in a
/// POSIX shared-memory object whose name `SharedMemoryName` derives from the
/// event's name, so that every holder of that name, in this process or in
/// another, reaches the same state. The object counts its holders and is
/// removed when the last one closes it. A copy that a child process inherits
/// through fork works in the child but is not a holder of its own: the child
/// opens the name itself to keep the event alive.
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
    SharedEvent(SharedEventState* state, std::string sharedName) noexcept;

    SharedEventState* m_State;
    std::string m_SharedName; // empty for a private event
    pid_t m_Opener; // the process that counted itself as a holder
};

} // namespace Tarnwick::Platform
