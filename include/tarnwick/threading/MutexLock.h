#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/threading/Mutex.h>

namespace Tarnwick::Threading {

/// Holds a `Mutex` for exactly its own lifetime. Not copyable, so that each
/// acquisition is matched by exactly one release.
class TARNWICK_EXPORT MutexLock {
public:
    /// Acquires `mutex` as `Mutex::MutexLock()` does. Inline: guarded sections
    /// sit on callers' hot paths. `[[nodiscard]]`, since the temporary of
    /// `MutexLock{mutex};` would release the mutex at once, guarding nothing.
    [[nodiscard]] explicit MutexLock(Mutex& mutex)
        : m_Mutex(&mutex)
    {
        m_Mutex->MutexLock();
    }
    /// Not copyable: one acquisition, one release.
    /// @{
    MutexLock(MutexLock const&) = delete;
    MutexLock& operator=(MutexLock const&) = delete;
    /// @}
    /// Releases the one ownership the constructor took.
    ~MutexLock() { m_Mutex->MutexUnLock(); }

    /// Whether acquiring the mutex had a problem; this lock never has one, so
    /// it is always false. Guarded sections test it before they proceed. Not
    /// explicit, so that `bool problem = lock;` reads the answer as well.
    operator bool() const noexcept { return false; }

private:
    Mutex* m_Mutex;
};

} // namespace Tarnwick::Threading
