// Compiled, not run: a lock that is a discarded temporary must draw a warning.
// With DISCARD_LOCK the file holds `MutexLock{mutex};`, which -Werror turns into
// a failure naming the attribute; without it the named lock compiles cleanly.

#include <tarnwick/threading/MutexLock.h>

void Guarded(Tarnwick::Threading::Mutex& mutex)
{
#ifdef DISCARD_LOCK
    Tarnwick::Threading::MutexLock {mutex};
#else
    Tarnwick::Threading::MutexLock const lock {mutex};
#endif
}
