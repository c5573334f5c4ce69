// The mutex under the standard library's lock helpers: the Lockable names keep
// the recursion of MutexLock()/MutexUnLock(), and the helpers exclude other
// threads, avoid deadlock between two mutexes and wait on a condition.

#include <tarnwick/threading/Mutex.h>

#include <gtest/gtest.h>

#include <concepts>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

using Tarnwick::Threading::Mutex;

namespace {

// What the standard helpers require of a Lockable type.
template <class T>
concept Lockable = requires(T mutex)
{
    mutex.lock();
    mutex.unlock();
    {
        mutex.try_lock()
        } -> std::same_as<bool>;
};
static_assert(Lockable<Mutex>);

/// Whether another thread can take `mutex` at this moment (it lets go at once).
bool FreeForAnotherThread(Mutex& mutex)
{
    return std::async(std::launch::async, [&mutex] {
        bool const taken = mutex.try_lock();
        if (taken) {
            mutex.unlock();
        }
        return taken;
    }).get();
}

TEST(StandardLockTest, TryLockIsRecursiveForTheOwnerAndRefusedToOthers)
{
    Mutex mutex;
    ASSERT_TRUE(mutex.try_lock());
    ASSERT_TRUE(mutex.try_lock()); // the owner again: one ownership more
    mutex.lock();
    EXPECT_FALSE(FreeForAnotherThread(mutex));
    mutex.unlock();
    mutex.unlock();
    EXPECT_FALSE(FreeForAnotherThread(mutex)) << "released before the last ownership went";
    mutex.unlock();
    EXPECT_TRUE(FreeForAnotherThread(mutex));
    // Standard and library names count the same ownerships.
    mutex.MutexLock();
    mutex.lock();
    mutex.MutexUnLock();
    EXPECT_FALSE(FreeForAnotherThread(mutex));
    mutex.unlock();
    EXPECT_TRUE(FreeForAnotherThread(mutex));
}

TEST(StandardLockTest, LockGuardsExcludeEachOther)
{
    constexpr int kThreads = 4;
    constexpr int kRounds = 20000;
    Mutex mutex;
    long counter = 0; // unguarded increments would lose updates (and tsan would say so)
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kRounds; ++i) {
                std::lock_guard const guard(mutex);
                std::lock_guard const again(mutex); // recursion under the helper
                ++counter;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(counter, long {kThreads} * kRounds);
}

TEST(StandardLockTest, ScopedLockTakesTwoMutexesInOppositeOrdersWithoutDeadlock)
{
    constexpr int kRounds = 5000;
    Mutex first;
    Mutex second;
    long transfers = 0;
    auto transfer = [&](Mutex& a, Mutex& b) {
        for (int i = 0; i < kRounds; ++i) {
            std::scoped_lock const both(a, b);
            ++transfers;
        }
    };
    std::thread forwards(transfer, std::ref(first), std::ref(second));
    std::thread backwards(transfer, std::ref(second), std::ref(first));
    forwards.join();
    backwards.join();
    EXPECT_EQ(transfers, 2L * kRounds);
    EXPECT_TRUE(FreeForAnotherThread(first));
    EXPECT_TRUE(FreeForAnotherThread(second));
}

TEST(StandardLockTest, ConditionVariableAnyWaitsWithTheMutexReleased)
{
    Mutex mutex;
    std::condition_variable_any changed;
    int stage = 0;
    std::thread worker([&] {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return stage == 1; });
        stage = 2; // under the mutex, taken back by the wait
        changed.notify_all();
    });
    {
        // The worker waits with the mutex released, so this does not block for good.
        std::unique_lock lock(mutex);
        stage = 1;
    }
    changed.notify_all();
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return stage == 2; });
        EXPECT_TRUE(lock.owns_lock());
    }
    worker.join();
    EXPECT_EQ(stage, 2);
    EXPECT_TRUE(FreeForAnotherThread(mutex));
}

TEST(StandardLockTest, UniqueLockTryToLockFailsWhileAnotherThreadHolds)
{
    Mutex mutex;
    std::unique_lock held(mutex);
    bool const taken = std::async(std::launch::async, [&mutex] {
        std::unique_lock attempt(mutex, std::try_to_lock);
        return attempt.owns_lock();
    }).get();
    EXPECT_FALSE(taken);
    held.unlock();
    EXPECT_TRUE(FreeForAnotherThread(mutex));
}

} // namespace
