#include <tarnwick/threading/Mutex.h>
#include <tarnwick/threading/MutexLock.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <thread>
#include <type_traits>
#include <vector>

using Tarnwick::Threading::Mutex;
using Tarnwick::Threading::MutexLock;

namespace {

static_assert(std::has_virtual_destructor_v<Mutex>);
static_assert(!std::is_copy_constructible_v<MutexLock> && !std::is_copy_assignable_v<MutexLock>,
    "a copied lock would release its mutex twice");
static_assert(std::is_convertible_v<MutexLock const&, bool>);

// Long enough for a thread that is not blocked to get through its lock.
constexpr auto kSettle = std::chrono::milliseconds(100);

// A thread that acquires `mutex` and records when it got it.
class Contender {
public:
    explicit Contender(Mutex& mutex)
        : m_Thread([this, &mutex] {
            MutexLock const lock(mutex);
            m_Acquired = true;
        })
    { }
    ~Contender() { m_Thread.join(); }
    bool Acquired() const { return m_Acquired; }
    /// Whether it got through after the time a thread that is not blocked needs.
    bool AcquiredAfterSettling() const
    {
        std::this_thread::sleep_for(kSettle);
        return m_Acquired;
    }

private:
    std::atomic<bool> m_Acquired {false};
    std::thread m_Thread;
};

TEST(MutexLockTest, NeverReportsAProblem)
{
    Mutex mutex;
    MutexLock const outer(mutex);
    MutexLock const inner(mutex);
    EXPECT_FALSE(static_cast<bool>(outer));
    EXPECT_FALSE(static_cast<bool>(inner));
    // The answer reads as a plain bool too, as guarded sections written
    // against `operator bool() const` take it.
    bool const problem = inner;
    EXPECT_FALSE(problem);
}

TEST(MutexTest, NestedLocksReleaseForOtherThreadsOnlyAfterTheOutermost)
{
    Mutex mutex;
    std::optional<Contender> contender;
    {
        MutexLock const outer(mutex);
        {
            MutexLock const middle(mutex);
            MutexLock const inner(mutex); // the owner never blocks on itself
            contender.emplace(mutex);
        }
        EXPECT_FALSE(contender->AcquiredAfterSettling()) << "released before the outermost lock went";
    }
    contender.reset(); // joins: the contender must get through now
}

TEST(MutexTest, ExplicitLockAndUnlockCountOwnerships)
{
    Mutex mutex;
    mutex.MutexLock();
    mutex.MutexLock();
    mutex.MutexUnLock();
    {
        Contender contender(mutex);
        EXPECT_FALSE(contender.AcquiredAfterSettling());
        mutex.MutexUnLock();
    }
    MutexLock const again(mutex); // free once more
}

TEST(MutexTest, CopiesDenoteTheSameMutexAndOutliveTheOriginal)
{
    auto original = std::make_unique<Mutex>();
    Mutex const copy(*original);
    Mutex assigned;
    assigned = *original;
    Mutex copyForThread(copy);
    std::optional<Contender> contender;
    {
        MutexLock const lock(*original);
        contender.emplace(copyForThread);
        EXPECT_FALSE(contender->AcquiredAfterSettling()) << "a copy denotes a different mutex";
        MutexLock const nested(assigned); // the same mutex, already held by this thread: no block
    }
    contender.reset();
    original.reset();
    Mutex survivor(copy);
    MutexLock const lock(survivor); // still a valid mutex after the original went
}

TEST(MutexTest, AssignmentLeavesTheFormerMutexToItsOtherHolders)
{
    Mutex first;
    Mutex second;
    Mutex stillSecond(second);
    second = first; // `stillSecond` keeps the former mutex
    MutexLock const holdFirst(first);
    Contender contender(stillSecond);
    // The contender gets the former mutex at once although `first` is held.
    for (int i = 0; i < 1000 && !contender.Acquired(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(contender.Acquired());
}

TEST(MutexTest, AnUnlockByAThreadThatDoesNotOwnItChangesNothing)
{
    Mutex mutex;
    std::optional<Contender> contender;
    {
        MutexLock const hold(mutex);
        contender.emplace(mutex);
        std::thread([&] { mutex.MutexUnLock(); }).join();
        EXPECT_FALSE(contender->AcquiredAfterSettling()) << "a stranger's unlock released the owner's mutex";
    }
    contender.reset(); // gets through once the owner's lock goes
    std::thread([&] { mutex.MutexUnLock(); }).join(); // of a free mutex: nothing either
    mutex.MutexLock();
    mutex.MutexLock();
    mutex.MutexUnLock();
    {
        Contender blocked(mutex);
        EXPECT_FALSE(blocked.AcquiredAfterSettling()) << "the owner's count was spoilt";
        mutex.MutexUnLock();
    }
}

// Waiters that outlast the brief spin sleep; every one of them must be woken
// in turn, also those that queued up behind a waiter that took the lock.
TEST(MutexTest, EverySleepingWaiterGetsThroughAfterTheRelease)
{
    Mutex mutex;
    constexpr int kWaiters = 6;
    std::vector<std::unique_ptr<Contender>> contenders;
    {
        MutexLock const hold(mutex);
        for (int i = 0; i < kWaiters; ++i) {
            contenders.push_back(std::make_unique<Contender>(mutex));
        }
        std::this_thread::sleep_for(kSettle);
        for (auto const& contender : contenders) {
            EXPECT_FALSE(contender->Acquired());
        }
    }
    contenders.clear(); // joins every waiter: a forgotten sleeper would hang here
}

// Threads counting under the lock, nested or not. With more threads than cores,
// some of them preempted or yielding while they hold the mutex, waiters both
// spin and sleep: never two inside at once.
TEST(MutexTest, GuardsACounterAcrossThreads)
{
    struct Case {
        int threads;
        int rounds;
        bool nested;
        bool yields;
    };
    for (Case const c : {Case {4, 20000, true, false}, Case {8, 5000, false, true}}) {
        SCOPED_TRACE(c.threads);
        Mutex mutex;
        std::atomic<int> inside {0};
        std::atomic<bool> overlapped {false};
        long counter = 0;
        std::vector<std::thread> threads;
        for (int t = 0; t < c.threads; ++t) {
            threads.emplace_back([&] {
                for (int i = 0; i < c.rounds; ++i) {
                    MutexLock const lock(mutex);
                    std::optional<MutexLock> nested;
                    if (c.nested) {
                        nested.emplace(mutex);
                    }
                    if (inside.fetch_add(1, std::memory_order_relaxed) != 0) {
                        overlapped = true;
                    }
                    ++counter;
                    if (c.yields && i % 64 == 0) {
                        std::this_thread::yield();
                    }
                    inside.fetch_sub(1, std::memory_order_relaxed);
                }
            });
        }
        for (auto& thread : threads) {
            thread.join();
        }
        EXPECT_FALSE(overlapped);
        EXPECT_EQ(counter, c.threads * c.rounds);
    }
}

} // namespace
