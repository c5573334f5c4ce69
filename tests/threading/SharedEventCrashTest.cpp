// Named events whose holder process is killed (SIGKILL) in the middle of a
// call. The process that dies holding the event's lock takes it with the
// library's own layout (platform/SharedEvent.h), so that it dies exactly there.

#include <tarnwick/threading/ServiceEvent.h>

#include "platform/SharedEvent.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <future>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

using Tarnwick::Platform::SharedEventState;
using Tarnwick::Threading::ServiceEvent;

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kReleaseBound {3000};

std::u16string UniqueName(std::u16string const& stem)
{
    std::string const pid = std::to_string(getpid());
    return u"tarnwick-crash-" + stem + u"-" + std::u16string(pid.begin(), pid.end());
}

// The shared-memory name of an ASCII event name without '%', '/' or '~'.
std::string SharedName(std::u16string const& name)
{
    return "/tarnwick.event." + std::string(name.begin(), name.end());
}

bool ObjectExists(std::u16string const& name)
{
    return std::filesystem::exists("/dev/shm" + SharedName(name));
}

// A forked process that runs `body` and waits to be killed. It reports
// through a pipe when it has reached each point (`Reached`), and waits for the
// parent's word where `body` asks for it (`Await`).
class Child {
public:
    using Body = std::function<void(Child&)>;

    explicit Child(Body const& body)
    {
        if (pipe(m_Up) != 0 || pipe(m_Down) != 0) {
            ADD_FAILURE() << "no pipe";
            return;
        }
        m_Pid = fork();
        if (m_Pid == 0) {
            body(*this);
            _exit(0);
        }
    }
    Child(Child const&) = delete;
    Child& operator=(Child const&) = delete;
    ~Child()
    {
        Kill();
        for (int fd : {m_Up[0], m_Up[1], m_Down[0], m_Down[1]}) {
            close(fd);
        }
    }

    // In the child. `Stay` keeps what the body holds until the kill.
    void Reached() { Send(m_Up[1]); }
    [[noreturn]] static void Stay()
    {
        for (;;) {
            pause();
        }
    }
    void Await() { Receive(m_Down[0]); }
    // In the parent.
    bool WaitReached() { return Receive(m_Up[0]); }
    void Go() { Send(m_Down[1]); }
    void Kill()
    {
        if (m_Pid > 0) {
            kill(m_Pid, SIGKILL);
            waitpid(m_Pid, nullptr, 0);
            m_Pid = -1;
        }
    }

private:
    static void Send(int fd)
    {
        char const byte = 1;
        [[maybe_unused]] auto const written = write(fd, &byte, 1);
    }
    static bool Receive(int fd)
    {
        char byte = 0;
        return read(fd, &byte, 1) == 1;
    }

    int m_Up[2] {-1, -1};
    int m_Down[2] {-1, -1};
    pid_t m_Pid = -1;
};

// The state of a named event, mapped as the library maps it.
SharedEventState* MapState(std::u16string const& name)
{
    int const fd = shm_open(SharedName(name).c_str(), O_RDWR, 0);
    if (fd < 0) {
        return nullptr;
    }
    void* const memory = mmap(nullptr, sizeof(SharedEventState), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    return memory == MAP_FAILED ? nullptr : static_cast<SharedEventState*>(memory);
}

// A wait on its own thread, released or not within the bound.
class Waiter {
public:
    explicit Waiter(ServiceEvent& event)
        : m_Result(std::async(std::launch::async, [&event] { return event.WaitForEvent(ServiceEvent::INFINITE_TIME); }))
    { }
    bool Released()
    {
        if (!m_Answer && m_Result.wait_for(kReleaseBound) == std::future_status::ready) {
            m_Answer = m_Result.get();
        }
        return m_Answer.value_or(false);
    }

private:
    std::future<bool> m_Result;
    std::optional<bool> m_Answer;
};

// What a holder had done of a call when it was killed holding the lock: the
// word as the call leaves it, written without the wake that would follow.
struct HalfCall {
    char const* title;
    bool setBefore; // the event's state before the call
    std::uint32_t (*change)(std::uint32_t); // the call's change of the word
    bool setAfter; // a state that call could have left
};

HalfCall const kHalfCalls[] = {
    {"inside SetEvent", false, [](std::uint32_t word) { return (word + 2) | 1; }, true},
    {"inside ResetEvent", true, [](std::uint32_t word) { return word & ~1u; }, false},
    {"holding the lock only, not set", false, [](std::uint32_t word) { return word; }, false},
    {"holding the lock only, set", true, [](std::uint32_t word) { return word; }, true},
};

TEST(SharedEventCrashTest, HolderKilledWhileHoldingTheLockLeavesAWholeStateAndLosesNoWaiter)
{
    for (HalfCall const& call : kHalfCalls) {
        SCOPED_TRACE(call.title);
        std::u16string const name = UniqueName(u"half");
        ServiceEvent parent(name);
        if (call.setBefore) {
            parent.SetEvent();
        }
        Child child([&](Child& self) {
            ServiceEvent mine(name);
            SharedEventState* const state = MapState(name);
            if (state == nullptr || pthread_mutex_lock(&state->m_Mutex) != 0) {
                _exit(2);
            }
            self.Reached();
            self.Await();
            state->m_Word.store(call.change(state->m_Word.load()));
            self.Reached();
            Child::Stay();
        });
        ASSERT_TRUE(child.WaitReached());
        {
            std::optional<Waiter> waiter;
            if (!call.setBefore) {
                waiter.emplace(parent);
                std::this_thread::sleep_for(milliseconds(50)); // asleep in its wait, as a rule
            }
            child.Go();
            ASSERT_TRUE(child.WaitReached());
            child.Kill();
            // The state is one the call could have left, seen without the lock.
            EXPECT_EQ(parent.WaitForEvent(0), call.setAfter);
            if (waiter && call.setAfter) {
                EXPECT_TRUE(waiter->Released()) << "a waiter missed the set of a killed holder";
            }
            // The lock is taken over: setting and resetting go on.
            ServiceEvent other(name);
            other.SetEvent();
            EXPECT_TRUE(parent.WaitForEvent(0));
            if (waiter) {
                EXPECT_TRUE(waiter->Released());
            }
            other.ResetEvent();
            EXPECT_FALSE(parent.WaitForEvent(0));
        }
        // And another process uses it too.
        Child user([&](Child& self) {
            ServiceEvent mine(name);
            mine.SetEvent();
            if (mine.WaitForEvent(0)) {
                self.Reached();
            }
            Child::Stay();
        });
        EXPECT_TRUE(user.WaitReached());
        user.Kill();
        EXPECT_TRUE(parent.WaitForEvent(0));
    }
}

TEST(SharedEventCrashTest, KilledWaiterTakesNoWakeFromTheOthers)
{
    std::u16string const name = UniqueName(u"waiter");
    ServiceEvent parent(name);
    for (int round = 0; round < 3; ++round) {
        Child child([&](Child& self) {
            ServiceEvent mine(name);
            self.Reached();
            mine.WaitForEvent(ServiceEvent::INFINITE_TIME);
            _exit(3); // released: the parent kills before it sets
        });
        ASSERT_TRUE(child.WaitReached());
        std::this_thread::sleep_for(milliseconds(50));
        child.Kill();
    }
    for (int round = 0; round < 3; ++round) {
        Waiter first(parent);
        Waiter second(parent);
        std::this_thread::sleep_for(milliseconds(20));
        ServiceEvent setter(name);
        setter.SetEvent();
        EXPECT_TRUE(first.Released());
        EXPECT_TRUE(second.Released());
        setter.ResetEvent();
    }
}

TEST(SharedEventCrashTest, LastLiveHolderRemovesTheObjectAndAnAbandonedOneStartsAfresh)
{
    std::u16string const name = UniqueName(u"holders");
    {
        ServiceEvent parent(name);
        Child child([&](Child& self) {
            ServiceEvent mine(name);
            self.Reached();
            Child::Stay();
        });
        ASSERT_TRUE(child.WaitReached());
        child.Kill(); // never closes its holding
        EXPECT_TRUE(ObjectExists(name));
    }
    EXPECT_FALSE(ObjectExists(name)) << "a killed holder kept the object";

    // Every holder killed, the last with the event set: nobody is left to
    // remove it, and whoever opens it next gets a new event.
    Child child([&](Child& self) {
        ServiceEvent mine(name);
        mine.SetEvent();
        self.Reached();
        Child::Stay();
    });
    ASSERT_TRUE(child.WaitReached());
    child.Kill();
    ASSERT_TRUE(ObjectExists(name));
    {
        ServiceEvent reopened(name);
        EXPECT_FALSE(reopened.WaitForEvent(0));
        reopened.SetEvent();
        EXPECT_TRUE(ServiceEvent(name).WaitForEvent(0));
    }
    EXPECT_FALSE(ObjectExists(name));
}

TEST(SharedEventCrashTest, HoldersKilledAtRandomInsideSetAndResetLeaveAUsableEvent)
{
    std::u16string const name = UniqueName(u"random");
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> pause(0, 3000);
    {
        ServiceEvent parent(name);
        for (int round = 0; round < 25; ++round) {
            Child child([&](Child& self) {
                ServiceEvent mine(name);
                self.Reached();
                for (;;) {
                    mine.SetEvent();
                    mine.ResetEvent();
                }
            });
            ASSERT_TRUE(child.WaitReached());
            std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
            child.Kill();
            parent.SetEvent();
            EXPECT_TRUE(parent.WaitForEvent(0)) << "round " << round;
            parent.ResetEvent();
            EXPECT_FALSE(parent.WaitForEvent(0)) << "round " << round;
        }
    }
    EXPECT_FALSE(ObjectExists(name));
}

} // namespace
