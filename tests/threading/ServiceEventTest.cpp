#include <tarnwick/threading/ServiceEvent.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using Tarnwick::Threading::ServiceEvent;

namespace {

// An event is made from its name as from a wide string (`ServiceEvent event = {name};`).
static_assert(std::is_convertible_v<std::u16string const&, ServiceEvent>);
// An infinite wait is the largest unsigned 32-bit time.
static_assert(ServiceEvent::INFINITE_TIME == 4294967295u);
static_assert(std::is_same_v<decltype(ServiceEvent::INFINITE_TIME), std::uint32_t const>);

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Generous bounds: a wait must not end early, and must end eventually.
constexpr milliseconds kLateBound {3000};
constexpr std::uint32_t kPatienceMs = 20000;

// Event names unique to this process, so parallel test runs do not meet.
std::u16string UniqueName(std::u16string const& stem)
{
    std::u16string name = u"tarnwick-test-" + stem + u"-";
    for (char const c : std::to_string(getpid())) {
        name.push_back(static_cast<char16_t>(c));
    }
    return name;
}

std::string Narrow(std::u16string const& ascii)
{
    return std::string(ascii.begin(), ascii.end());
}

// Where the shared-memory object of an ASCII name without '%', '/' or '~' lives.
std::filesystem::path SharedObjectOf(std::u16string const& name)
{
    return std::filesystem::path("/dev/shm") / ("tarnwick.event." + Narrow(name));
}

// The scheduler state of a thread of this process ('S' while it sleeps).
char ThreadState(pid_t id)
{
    std::ifstream stat("/proc/self/task/" + std::to_string(id) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    auto const end = text.rfind(')'); // the command name may contain spaces
    return end == std::string::npos || end + 2 >= text.size() ? '?' : text[end + 2];
}

// Starts `child` in a forked process, which exits with 0 when it answers true.
template <class Body> pid_t Spawn(Body child)
{
    pid_t const pid = fork();
    if (pid == 0) {
        _exit(child() ? 0 : 1);
    }
    return pid;
}

// Waits for a child and answers its exit status (128 when it did not exit).
int ExitStatus(pid_t pid)
{
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
}

template <class Body> int RunInChild(Body child)
{
    return ExitStatus(Spawn(child));
}

TEST(ServiceEventTest, NewEventIsNotSignalledAndSetOneStaysSoForEveryWaiterUntilReset)
{
    ServiceEvent event;
    EXPECT_FALSE(event.GetEventState());
    auto const start = Clock::now();
    EXPECT_FALSE(event.WaitForEvent(0));
    EXPECT_LT(Clock::now() - start, kLateBound);

    event.SetEvent();
    EXPECT_TRUE(event.GetEventState());
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(event.WaitForEvent(0));
    }
    std::atomic<int> passed {0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i) {
        waiters.emplace_back([&] { passed += event.WaitForEvent(0) && event.WaitForEvent(10) ? 1 : 0; });
    }
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(passed, 4);
    event.ResetEvent();
    EXPECT_FALSE(event.GetEventState());
    EXPECT_FALSE(event.WaitForEvent(0));
}

TEST(ServiceEventTest, BoundedWaitTimesOutAfterTheAskedTime)
{
    ServiceEvent event;
    for (std::uint32_t const ms : {1u, 50u, 120u}) {
        auto const start = Clock::now();
        EXPECT_FALSE(event.WaitForEvent(ms));
        auto const elapsed = Clock::now() - start;
        EXPECT_GE(elapsed, milliseconds(ms)) << ms;
        EXPECT_LT(elapsed, milliseconds(ms) + kLateBound) << ms;
    }
}

TEST(ServiceEventTest, WaitsAreReleasedBySetEventInAnotherThread)
{
    for (std::uint32_t const limit : {ServiceEvent::INFINITE_TIME, kPatienceMs}) {
        ServiceEvent event;
        std::atomic<bool> result {false};
        auto const start = Clock::now();
        std::thread waiter([&] { result = event.WaitForEvent(limit); });
        std::this_thread::sleep_for(milliseconds(50));
        event.SetEvent();
        waiter.join();
        EXPECT_TRUE(result) << limit;
        EXPECT_LT(Clock::now() - start, milliseconds(kPatienceMs / 2)) << "released by the time-out, not the set";
    }
}

TEST(ServiceEventTest, OneSetReleasesAllWaitersEvenIfResetFollowsAtOnce)
{
    ServiceEvent event;
    constexpr int kWaiters = 5;
    std::atomic<int> released {0};
    std::vector<std::atomic<pid_t>> ids(kWaiters);
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&, i] {
            ids[i] = gettid();
            released += event.WaitForEvent(kPatienceMs) ? 1 : 0;
        });
    }
    // Each waiter must be asleep in its wait before the set: poll its state.
    for (auto const& id : ids) {
        while (id == 0 || ThreadState(id) != 'S') {
            std::this_thread::sleep_for(milliseconds(1));
        }
    }
    std::this_thread::sleep_for(milliseconds(100));
    event.SetEvent();
    event.ResetEvent();
    for (auto& waiter : waiters) {
        waiter.join();
    }
    EXPECT_EQ(released, kWaiters);
    EXPECT_FALSE(event.WaitForEvent(0));
}

TEST(ServiceEventTest, RepeatedCallsInOneDirectionDoNothing)
{
    // A second object of the same name shows what reached the event itself.
    std::u16string const name = UniqueName(u"repeat");
    ServiceEvent mine(name);
    ServiceEvent other(name);

    other.ResetEvent(); // never set by `other`: no effect
    mine.SetEvent();
    other.ResetEvent(); // still not set by `other`: the event stays signalled
    EXPECT_TRUE(mine.WaitForEvent(0));

    other.SetEvent();
    other.ResetEvent(); // now a real reset
    EXPECT_FALSE(mine.WaitForEvent(0));
    mine.SetEvent(); // already set by `mine`: no second signal
    EXPECT_FALSE(other.WaitForEvent(0));
    EXPECT_TRUE(mine.GetEventState());
}

TEST(ServiceEventTest, CopiesShareTheEventButKeepTheirOwnCachedState)
{
    ServiceEvent original;
    ServiceEvent copy(original);
    original.SetEvent();
    EXPECT_TRUE(copy.WaitForEvent(0));
    EXPECT_FALSE(copy.GetEventState());

    ServiceEvent assigned;
    assigned = original;
    EXPECT_TRUE(assigned.GetEventState()); // the state at the time of the copy
    assigned.ResetEvent();
    EXPECT_FALSE(original.WaitForEvent(0));

    auto moved = std::make_unique<ServiceEvent>(original);
    ServiceEvent survivor(*moved);
    moved.reset();
    EXPECT_TRUE(survivor.GetEventState()); // copied from a copy of the setter
    survivor.SetEvent(); // so this makes no new signal
    EXPECT_FALSE(copy.WaitForEvent(0));
    survivor.ResetEvent();
    survivor.SetEvent();
    EXPECT_TRUE(copy.WaitForEvent(0));
}

TEST(ServiceEventTest, RacingSetsAndResetsKeepTheCachedStateTrue)
{
    ServiceEvent event;
    std::atomic<bool> go {false};
    auto hammer = [&](bool set) {
        while (!go) {
            std::this_thread::yield();
        }
        for (int i = 0; i < 5000; ++i) {
            set ? event.SetEvent() : event.ResetEvent();
            (void)event.GetEventState();
        }
    };
    std::thread setter(hammer, true);
    std::thread resetter(hammer, false);
    go = true;
    setter.join();
    resetter.join();
    EXPECT_EQ(event.GetEventState(), event.WaitForEvent(0));
    event.ResetEvent();
    EXPECT_FALSE(event.WaitForEvent(0));
    event.SetEvent();
    EXPECT_TRUE(event.WaitForEvent(0));
}

TEST(NamedServiceEventTest, SameNameIsTheSameEventDifferentNamesAreNot)
{
    std::u16string const name = UniqueName(u"same");
    ServiceEvent first(name);
    ServiceEvent second(name);
    ServiceEvent unrelated(UniqueName(u"unrelated"));
    ServiceEvent privateOne;
    first.SetEvent();
    EXPECT_TRUE(second.WaitForEvent(0));
    EXPECT_FALSE(unrelated.WaitForEvent(0));
    EXPECT_FALSE(privateOne.WaitForEvent(0));

    std::atomic<bool> result {false};
    std::thread waiter([&] { result = unrelated.WaitForEvent(kPatienceMs); });
    ServiceEvent unrelatedAgain(UniqueName(u"unrelated"));
    unrelatedAgain.SetEvent();
    waiter.join();
    EXPECT_TRUE(result);
}

TEST(NamedServiceEventTest, SharedObjectLivesExactlyAsLongAsItsHolders)
{
    std::u16string const name = UniqueName(u"lifetime");
    std::filesystem::path const object = SharedObjectOf(name);
    ASSERT_FALSE(std::filesystem::exists(object));
    {
        auto first = std::make_unique<ServiceEvent>(name);
        EXPECT_TRUE(std::filesystem::exists(object));
        ServiceEvent copy(*first);
        {
            ServiceEvent second(name);
            second.SetEvent();
        }
        first.reset();
        EXPECT_TRUE(std::filesystem::exists(object)) << "removed while a copy still holds it";
        EXPECT_TRUE(copy.WaitForEvent(0));
    }
    EXPECT_FALSE(std::filesystem::exists(object));

    ServiceEvent reopened(name); // a fresh event under the same name
    EXPECT_FALSE(reopened.WaitForEvent(0));
}

TEST(NamedServiceEventTest, NamesAreMappedToUsableSharedMemoryNames)
{
    struct Case {
        std::u16string name;
        std::string object;
    };
    std::string const pid = std::to_string(getpid());
    std::u16string const pid16(pid.begin(), pid.end());
    Case const cases[] = {
        {u"a/b%c~d" + pid16, "tarnwick.event.a%2Fb%25c%7Ed" + pid},
        {u"Global\\x" + pid16, "tarnwick.event.Global\\x" + pid},
        {u"\u00e9v\u20ac" + pid16, "tarnwick.event.\xc3\xa9v\xe2\x82\xac" + pid},
        {std::u16string(u"nul\0x", 5) + pid16, "tarnwick.event.nul%00x" + pid},
        {u"lone\xd800x" + pid16, "tarnwick.event.lone%uD800x" + pid},
    };
    for (Case const& c : cases) {
        std::filesystem::path const object = std::filesystem::path("/dev/shm") / c.object;
        {
            ServiceEvent event(c.name);
            EXPECT_TRUE(std::filesystem::exists(object)) << c.object;
            event.SetEvent();
            EXPECT_TRUE(ServiceEvent(c.name).WaitForEvent(0)) << c.object;
        }
        EXPECT_FALSE(std::filesystem::exists(object)) << c.object;
    }
}

TEST(NamedServiceEventTest, OverlongNamesAreShortenedWithAHash)
{
    std::u16string const stem(400, u'x');
    std::u16string const a = stem + UniqueName(u"a");
    std::u16string const b = stem + UniqueName(u"b");
    ServiceEvent first(a);
    ServiceEvent second(b);
    first.SetEvent();
    EXPECT_TRUE(ServiceEvent(a).WaitForEvent(0));
    EXPECT_FALSE(second.WaitForEvent(0)) << "names differing past the cut must stay apart";

    int found = 0;
    std::string const prefix = "tarnwick.event." + std::string(200, 'x');
    for (auto const& entry : std::filesystem::directory_iterator("/dev/shm")) {
        std::string const file = entry.path().filename().string();
        if (file.rfind(prefix, 0) == 0 && file.size() == 255 && file[238] == '~') {
            ++found;
        }
    }
    EXPECT_GE(found, 2);
}

TEST(NamedServiceEventTest, ChildProcessSignalsAWaitingParent)
{
    std::u16string const name = UniqueName(u"child-sets");
    ServiceEvent parent(name);
    pid_t const pid = Spawn([&] {
        ServiceEvent child(name);
        std::this_thread::sleep_for(milliseconds(100)); // let the parent block first
        child.SetEvent();
        return true;
    });
    EXPECT_TRUE(parent.WaitForEvent(ServiceEvent::INFINITE_TIME));
    EXPECT_EQ(ExitStatus(pid), 0);
    EXPECT_TRUE(parent.WaitForEvent(0));
}

TEST(NamedServiceEventTest, ParentSignalsAWaitingChild)
{
    // The names are made before the fork: the child has another process id.
    std::u16string const name = UniqueName(u"parent-sets");
    std::u16string const readyName = UniqueName(u"child-ready");
    ServiceEvent parent(name);
    ServiceEvent childReady(readyName);
    pid_t const pid = Spawn([&] {
        ServiceEvent child(name);
        ServiceEvent ready(readyName);
        ready.SetEvent();
        return child.WaitForEvent(kPatienceMs);
    });
    ASSERT_TRUE(childReady.WaitForEvent(kPatienceMs));
    std::this_thread::sleep_for(milliseconds(50)); // usually already blocked in its wait
    parent.SetEvent();
    EXPECT_EQ(ExitStatus(pid), 0);
}

TEST(NamedServiceEventTest, ACopyInheritedThroughForkIsNoHolderOfItsOwn)
{
    std::u16string const name = UniqueName(u"inherited");
    auto parent = std::make_unique<ServiceEvent>(name);
    ServiceEvent* const inherited = parent.get();
    // The child uses and destroys its inherited copy, as a child that returns
    // through its destructors would.
    EXPECT_EQ(RunInChild([&] {
        inherited->SetEvent();
        bool const seen = inherited->WaitForEvent(0);
        parent.reset();
        return seen;
    }),
        0);
    ASSERT_TRUE(std::filesystem::exists(SharedObjectOf(name))) << "the child closed the parent's holding";
    EXPECT_TRUE(ServiceEvent(name).WaitForEvent(0));
    parent.reset();
    EXPECT_FALSE(std::filesystem::exists(SharedObjectOf(name)));
}

TEST(NamedServiceEventTest, NothingIsLeftBehindAfterAChildUsedTheEvent)
{
    std::u16string const name = UniqueName(u"leftover");
    {
        ServiceEvent parent(name);
        int const status = RunInChild([&] {
            ServiceEvent child(name);
            child.SetEvent();
            return child.WaitForEvent(0);
        });
        EXPECT_EQ(status, 0);
        EXPECT_TRUE(std::filesystem::exists(SharedObjectOf(name)));
    }
    EXPECT_FALSE(std::filesystem::exists(SharedObjectOf(name)));
    // The child alone: it creates the object and removes it on closing.
    EXPECT_EQ(RunInChild([&] {
        ServiceEvent child(name);
        return std::filesystem::exists(SharedObjectOf(name));
    }),
        0);
    EXPECT_FALSE(std::filesystem::exists(SharedObjectOf(name)));
}

} // namespace
