// A recursive mutex held by scoped locks, and a manual-reset event that
// releases a waiting thread.

#include <tarnwick/tarnwick.h>

#include <iostream>
#include <thread>

using namespace Tarnwick::Threading;

int main()
{
    //! [mutex]
    Mutex mutex; // copies denote the same mutex
    int shared = 0;
    {
        MutexLock lock(mutex);
        MutexLock again(mutex); // the same thread: no block
        ++shared;
    } // released twice, once per lock
    //! [mutex]

    //! [event]
    ServiceEvent ready; // private; a name would share it with other processes
    bool const early = ready.WaitForEvent(50); // false after about 50 ms
    std::thread worker([&] {
        MutexLock lock(mutex);
        ++shared;
        ready.SetEvent(); // releases every waiter until ResetEvent
    });
    bool const released = ready.WaitForEvent(ServiceEvent::INFINITE_TIME);
    worker.join();
    //! [event]

    MutexLock lock(mutex);
    std::cout << "shared " << shared << ", released " << released << '\n';
    return !early && released && shared == 2 ? 0 : 1;
}
