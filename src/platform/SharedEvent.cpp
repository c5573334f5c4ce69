#include "platform/SharedEvent.h"

#include "core/Decimal.h"
#include "core/Utf16.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <ctime>
#include <new>
#include <thread>

#include <fcntl.h>
#include <linux/futex.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace Tarnwick::Platform {

static_assert(
    sizeof(std::atomic<std::uint32_t>) == sizeof(std::uint32_t) && std::atomic<std::uint32_t>::is_always_lock_free,
    "the futex word is a plain 32-bit word");

namespace {

constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
constexpr std::uint32_t kSignalled = 1;
constexpr std::uint32_t kOneSet = 2; // the count of sets starts at bit 1
constexpr char kPrefix[] = "/tarnwick.event.";
constexpr std::size_t kNameMax = 255; // bytes after the leading '/'
constexpr std::size_t kHashDigits = 16;
// How long an opener waits for a creator in another process to finish
// initialising a new object before it gives up.
constexpr auto kCreationPatience = std::chrono::seconds(2);
constexpr int kOpenAttempts = 100;
// A setter killed between changing the word and waking the waiters leaves them
// asleep on a word that has changed; they look at it again this often.
constexpr std::int64_t kWakeCheckNanoseconds = 250'000'000;
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;

void InitState(SharedEventState& state, bool processShared) noexcept
{
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_setpshared(&attributes, processShared ? PTHREAD_PROCESS_SHARED : PTHREAD_PROCESS_PRIVATE);
    pthread_mutexattr_setrobust(&attributes, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(&state.m_Mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    state.m_Word.store(0, std::memory_order_relaxed);
    state.m_Removed = false;
}

long Futex(std::atomic<std::uint32_t>& word, int operation, std::uint32_t value, timespec const* deadline) noexcept
{
    return syscall(SYS_futex, reinterpret_cast<std::uint32_t*>(&word), operation, value, deadline, nullptr,
        FUTEX_BITSET_MATCH_ANY);
}

void WakeAll(SharedEventState& state, bool processShared) noexcept
{
    Futex(state.m_Word, processShared ? FUTEX_WAKE : FUTEX_WAKE_PRIVATE, INT_MAX, nullptr);
}

// Sleeps while the word is `seen`, until the absolute monotonic `deadline`.
void SleepWhile(SharedEventState& state, bool processShared, std::uint32_t seen, timespec const& deadline) noexcept
{
    int const operation = processShared ? FUTEX_WAIT_BITSET : FUTEX_WAIT_BITSET | FUTEX_PRIVATE_FLAG;
    Futex(state.m_Word, operation, seen, &deadline);
}

// The mutex, taken over from a holder that died with it. Such a holder may have
// changed the word without waking the waiters, so they are woken to look.
class StateLock {
public:
    StateLock(SharedEventState& state, bool processShared) noexcept
        : m_State(state)
    {
        int const result = pthread_mutex_lock(&m_State.m_Mutex);
        if (result == EOWNERDEAD) {
            pthread_mutex_consistent(&m_State.m_Mutex);
            WakeAll(m_State, processShared);
        }
        // Every change under the mutex is an atomic step of its own, so even
        // a mutex that cannot be had (never expected) leaves the event sound.
        m_Locked = result == 0 || result == EOWNERDEAD;
    }
    StateLock(StateLock const&) = delete;
    StateLock& operator=(StateLock const&) = delete;
    ~StateLock()
    {
        if (m_Locked) {
            pthread_mutex_unlock(&m_State.m_Mutex);
        }
    }

private:
    SharedEventState& m_State;
    bool m_Locked = false;
};

timespec Now() noexcept
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now;
}

timespec Later(timespec time, std::int64_t nanoseconds) noexcept
{
    nanoseconds += time.tv_nsec;
    time.tv_sec += static_cast<time_t>(nanoseconds / kNanosecondsPerSecond);
    time.tv_nsec = static_cast<long>(nanoseconds % kNanosecondsPerSecond);
    return time;
}

bool Before(timespec const& a, timespec const& b) noexcept
{
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// ---- holders: a shared lock on the object's first byte per holder ---------

bool Lock(int descriptor, short type) noexcept
{
    struct flock range { };
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = 0;
    range.l_len = 1;
    return fcntl(descriptor, F_OFD_SETLK, &range) == 0;
}

// True when no other holder has the object open (this one's lock, if any, is
// made exclusive for the moment and then shared again).
bool NoOtherHolder(int descriptor) noexcept
{
    if (!Lock(descriptor, F_WRLCK)) {
        return false;
    }
    Lock(descriptor, F_RDLCK);
    return true;
}

// Removes the name if it still denotes the object open as `descriptor`.
void UnlinkIfSame(std::string const& sharedName, int descriptor) noexcept
{
    int const current = shm_open(sharedName.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (current < 0) {
        return;
    }
    struct stat mine { };
    struct stat named { };
    if (fstat(descriptor, &mine) == 0 && fstat(current, &named) == 0 && mine.st_ino == named.st_ino
        && mine.st_dev == named.st_dev) {
        shm_unlink(sharedName.c_str());
    }
    close(current);
}

std::uint64_t Fnv1a(std::string const& text) noexcept
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (char const c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

void AppendHex(std::string& out, std::uint64_t value, std::size_t digits)
{
    char text[16];
    out.append(text, Tarnwick::Detail::WriteHexDigits(text, value, digits));
}

/// Maps and initialises a shared-memory object that this call has just created
/// (and already holds).
SharedEventState* InitCreated(int fd) noexcept
{
    if (ftruncate(fd, sizeof(SharedEventState)) != 0) {
        return nullptr;
    }
    void* const memory = mmap(nullptr, sizeof(SharedEventState), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        return nullptr;
    }
    auto* const state = new (memory) SharedEventState {};
    InitState(*state, true);
    state->m_Ready.store(kSharedEventReady, std::memory_order_release);
    return state;
}

enum class Mapped { Ready, Abandoned, Failed };

/// Maps an object that another holder created, once its creator has sized and
/// initialised it. A creator that died before it finished leaves an object
/// that nobody holds: it is abandoned.
Mapped MapExisting(int fd, SharedEventState*& state) noexcept
{
    auto const giveUp = std::chrono::steady_clock::now() + kCreationPatience;
    auto const patient = [&] {
        if (std::chrono::steady_clock::now() <= giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return true;
        }
        return false;
    };
    struct stat status { };
    while (fstat(fd, &status) == 0 && status.st_size < static_cast<off_t>(sizeof(SharedEventState))) {
        if (!patient()) {
            return NoOtherHolder(fd) ? Mapped::Abandoned : Mapped::Failed;
        }
    }
    void* const memory = mmap(nullptr, sizeof(SharedEventState), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        return Mapped::Failed;
    }
    state = static_cast<SharedEventState*>(memory);
    while (state->m_Ready.load(std::memory_order_acquire) != kSharedEventReady) {
        if (!patient()) {
            munmap(memory, sizeof(SharedEventState));
            return NoOtherHolder(fd) ? Mapped::Abandoned : Mapped::Failed;
        }
    }
    return Mapped::Ready;
}

} // namespace

std::string SharedEvent::SharedMemoryName(std::u16string const& name)
{
    std::string mapped = kPrefix;
    char16_t const* it = name.data();
    char16_t const* const end = it + name.size();
    char buffer[4];
    while (it != end) {
        char16_t const unit = *it;
        char32_t const cp = Detail::NextCodePoint(it, end);
        if (cp == Detail::kLoneSurrogate) {
            mapped += "%u";
            AppendHex(mapped, unit, 4);
        } else if (cp == u'%' || cp == u'/' || cp == u'~' || cp == 0) {
            mapped.push_back('%');
            AppendHex(mapped, cp, 2);
        } else {
            mapped.append(buffer, Detail::EncodeUtf8(cp, buffer));
        }
    }
    if (mapped.size() > 1 + kNameMax) {
        std::uint64_t const hash = Fnv1a(mapped);
        mapped.resize(1 + kNameMax - 1 - kHashDigits);
        mapped.push_back('~');
        AppendHex(mapped, hash, kHashDigits);
    }
    return mapped;
}

std::shared_ptr<SharedEvent> SharedEvent::Open(std::u16string const& name)
{
    if (name.empty()) {
        auto* const state = new (std::nothrow) SharedEventState {};
        if (state == nullptr) {
            return nullptr;
        }
        InitState(*state, false);
        return std::shared_ptr<SharedEvent>(new SharedEvent(state, std::string(), -1));
    }

    std::string sharedName = SharedMemoryName(name);
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        int fd = shm_open(sharedName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd >= 0) {
            // Held before it is initialised, so that no opener takes it for abandoned.
            SharedEventState* const state = Lock(fd, F_RDLCK) ? InitCreated(fd) : nullptr;
            if (state == nullptr) {
                shm_unlink(sharedName.c_str());
                close(fd);
                return nullptr;
            }
            return std::shared_ptr<SharedEvent>(new SharedEvent(state, std::move(sharedName), fd));
        }
        if (errno != EEXIST) {
            return nullptr;
        }
        fd = shm_open(sharedName.c_str(), O_RDWR | O_CLOEXEC, 0);
        if (fd < 0) {
            if (errno == ENOENT) {
                continue; // the last holder removed it in between: create it anew
            }
            return nullptr;
        }
        SharedEventState* state = nullptr;
        Mapped const mapped = MapExisting(fd, state);
        if (mapped != Mapped::Ready) {
            if (mapped == Mapped::Abandoned) {
                UnlinkIfSame(sharedName, fd);
            }
            close(fd);
            if (mapped == Mapped::Abandoned) {
                continue;
            }
            return nullptr;
        }
        {
            StateLock const lock(*state, true);
            if (!state->m_Removed) {
                // Every holder gone (killed, since the last to close removes
                // it): the event starts afresh, as a new one would.
                if (NoOtherHolder(fd)) {
                    state->m_Word.fetch_and(~kSignalled, std::memory_order_release);
                }
                if (Lock(fd, F_RDLCK)) {
                    return std::shared_ptr<SharedEvent>(new SharedEvent(state, std::move(sharedName), fd));
                }
            }
        }
        munmap(state, sizeof(SharedEventState)); // closed while we opened it: start over
        close(fd);
    }
    return nullptr;
}

SharedEvent::SharedEvent(SharedEventState* state, std::string sharedName, int descriptor) noexcept
    : m_State(state)
    , m_SharedName(std::move(sharedName))
    , m_Descriptor(descriptor)
    , m_Opener(getpid())
{ }

SharedEvent::~SharedEvent()
{
    if (m_SharedName.empty()) {
        pthread_mutex_destroy(&m_State->m_Mutex);
        delete m_State;
        return;
    }
    if (getpid() == m_Opener) {
        // Removing the name under the mutex lets an opener that still reached
        // this object see that it is gone. A copy inherited through fork shares
        // the parent's lock and so never removes the name.
        StateLock const lock(*m_State, true);
        if (NoOtherHolder(m_Descriptor)) {
            m_State->m_Removed = true;
            shm_unlink(m_SharedName.c_str());
        }
    }
    // The mutex stays as it is: other processes may still have the object
    // mapped, and it vanishes with its last mapping.
    munmap(m_State, sizeof(SharedEventState));
    close(m_Descriptor);
}

void SharedEvent::Set() noexcept
{
    bool const shared = !m_SharedName.empty();
    StateLock const lock(*m_State, shared);
    std::uint32_t word = m_State->m_Word.load(std::memory_order_relaxed);
    while ((word & kSignalled) == 0) {
        if (m_State->m_Word.compare_exchange_weak(
                word, (word + kOneSet) | kSignalled, std::memory_order_release, std::memory_order_relaxed)) {
            WakeAll(*m_State, shared);
            return;
        }
    }
}

void SharedEvent::Reset() noexcept
{
    StateLock const lock(*m_State, !m_SharedName.empty());
    m_State->m_Word.fetch_and(~kSignalled, std::memory_order_release);
}

bool SharedEvent::Wait(std::uint32_t milliseconds) noexcept
{
    std::uint32_t const seen = m_State->m_Word.load(std::memory_order_acquire);
    if ((seen & kSignalled) != 0) {
        return true;
    }
    bool const shared = !m_SharedName.empty();
    timespec const deadline = Later(Now(), static_cast<std::int64_t>(milliseconds) * 1'000'000);
    for (;;) {
        // A reset alone never changes a word that was not signalled: any change is a set.
        if (m_State->m_Word.load(std::memory_order_acquire) != seen) {
            return true;
        }
        timespec const now = Now();
        if (milliseconds != kInfinite && !Before(now, deadline)) {
            return false;
        }
        timespec const check = Later(now, kWakeCheckNanoseconds);
        SleepWhile(*m_State, shared, seen, milliseconds == kInfinite || Before(check, deadline) ? check : deadline);
    }
}

} // namespace Tarnwick::Platform
