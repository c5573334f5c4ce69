#include <tarnwick/threading/Mutex.h>
#include <tarnwick/threading/MutexLock.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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
        std::this_thread::sleep_for(kSettle);
        EXPECT_FALSE(contender->Acquired()) << "released before the outermost lock went";
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
        std::this_thread::sleep_for(kSettle);
        EXPECT_FALSE(contender.Acquired());
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
        std::this_thread::sleep_for(kSettle);
        EXPECT_FALSE(contender->Acquired()) << "a copy denotes a different mutex";
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

TEST(MutexTest, GuardsACounterAcrossThreads)
{
    Mutex mutex;
    long counter = 0;
    constexpr int kThreads = 4;
    constexpr int kIncrements = 20000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&] {
            for (int i = 0; i < kIncrements; ++i) {
                MutexLock const lock(mutex);
                MutexLock const nested(mutex);
                ++counter;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(counter, kThreads * kIncrements);
}

} // namespace
