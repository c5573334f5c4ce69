#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/threading/Mutex.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace Tarnwick::Platform {
class SharedEvent;
} // namespace Tarnwick::Platform

namespace Tarnwick::Threading {

/// A manual-reset event: once set, every waiter passes until it is reset.
/// Objects constructed with the same non-empty name, in this process or in
/// another one of the same user, denote the same event; the empty name gives
/// a private event. Copies denote the same event and share its mutex.
class TARNWICK_EXPORT ServiceEvent {
public:
    /// The time-out that waits without limit.
    static constexpr std::uint32_t INFINITE_TIME = 0xFFFFFFFF;

    /// A private event, not signalled.
    ServiceEvent();
    /// The event of that name, shared with every object of the same name in this
    /// and other processes of the user (a new one starts not signalled); the empty
    /// name gives a private event.
    ServiceEvent(std::u16string const& name);
    /// Denotes the same event as `other` and takes over its `GetEventState()`.
    /// @{
    ServiceEvent(ServiceEvent const& other);
    ServiceEvent& operator=(ServiceEvent const& other);
    /// @}
    /// The named event goes when its last holder, in any process, closes it.
    ~ServiceEvent();

    /// Signals the event unless this object has already set it.
    void SetEvent();
    /// Resets the event if this object has set it.
    void ResetEvent();
    /// True when the event is signalled within `milliseconds` (0 tests without
    /// waiting, `INFINITE_TIME` waits without limit), false on time-out. Time
    /// is measured on a monotonic clock. The event is left as it is.
    bool WaitForEvent(std::uint32_t milliseconds);
    /// The state this object last gave the event by its own `SetEvent` and
    /// `ResetEvent`; it does not ask the event itself.
    bool GetEventState() const;

private:
    std::shared_ptr<Platform::SharedEvent> m_Event;
    std::atomic<bool> m_State;
    Mutex m_Mutex;
};

} // namespace Tarnwick::Threading
