#include "platform/SharedEvent.h"

#include "core/Utf16.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <new>
#include <thread>

#include <fcntl.h>
#include <pthread.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Tarnwick::Platform {

/// The event's state, in private memory or at the start of the shared-memory
/// object. Every field but `m_Ready` is read and written under `m_Mutex`.
struct SharedEventState {
    std::atomic<std::uint32_t> m_Ready; // kReady once the creator has initialised the rest
    pthread_mutex_t m_Mutex;
    pthread_cond_t m_Condition;
    std::uint64_t m_Generation; // counts the changes to signalled, so that released waiters pass
    std::uint32_t m_Holders;
    bool m_Signalled;
    bool m_Removed; // the last holder has gone: whoever still opens this object must start over
};

namespace {

constexpr std::uint32_t kReady = 0x54574556; // "TWEV"
constexpr std::uint32_t kInfinite = 0xFFFFFFFF;
constexpr char kPrefix[] = "/tarnwick.event.";
constexpr std::size_t kNameMax = 255; // bytes after the leading '/'
constexpr std::size_t kHashDigits = 16;
// How long an opener waits for a creator in another process to finish
// initialising a new object before it gives up.
constexpr auto kCreationPatience = std::chrono::seconds(2);
constexpr int kOpenAttempts = 100;

void InitState(SharedEventState& state, bool processShared) noexcept
{
    int const sharing = processShared ? PTHREAD_PROCESS_SHARED : PTHREAD_PROCESS_PRIVATE;
    pthread_mutexattr_t mutexAttributes;
    pthread_mutexattr_init(&mutexAttributes);
    pthread_mutexattr_setpshared(&mutexAttributes, sharing);
    pthread_mutexattr_setrobust(&mutexAttributes, PTHREAD_MUTEX_ROBUST);
    pthread_mutex_init(&state.m_Mutex, &mutexAttributes);
    pthread_mutexattr_destroy(&mutexAttributes);

    pthread_condattr_t conditionAttributes;
    pthread_condattr_init(&conditionAttributes);
    pthread_condattr_setpshared(&conditionAttributes, sharing);
    pthread_condattr_setclock(&conditionAttributes, CLOCK_MONOTONIC);
    pthread_cond_init(&state.m_Condition, &conditionAttributes);
    pthread_condattr_destroy(&conditionAttributes);

    state.m_Generation = 0;
    state.m_Holders = 1;
    state.m_Signalled = false;
    state.m_Removed = false;
}

/// A holder that died while holding the mutex leaves the state consistent (each
/// field is written in one step), so the next one takes it over as it is.
void Recover(SharedEventState& state, int result) noexcept
{
    if (result == EOWNERDEAD) {
        pthread_mutex_consistent(&state.m_Mutex);
    }
}

class StateLock {
public:
    explicit StateLock(SharedEventState& state) noexcept
        : m_State(state)
    {
        Recover(m_State, pthread_mutex_lock(&m_State.m_Mutex));
    }
    StateLock(StateLock const&) = delete;
    StateLock& operator=(StateLock const&) = delete;
    ~StateLock() { pthread_mutex_unlock(&m_State.m_Mutex); }

private:
    SharedEventState& m_State;
};

timespec Deadline(std::uint32_t milliseconds) noexcept
{
    timespec now {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    std::int64_t nanoseconds = now.tv_nsec + static_cast<std::int64_t>(milliseconds % 1000) * 1000000;
    now.tv_sec += static_cast<time_t>(milliseconds / 1000 + nanoseconds / 1000000000);
    now.tv_nsec = static_cast<long>(nanoseconds % 1000000000);
    return now;
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

void AppendHex(std::string& out, std::uint64_t value, int digits)
{
    constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        out.push_back(kDigits[(value >> shift) & 0xF]);
    }
}

/// Maps and initialises a shared-memory object that this call has just created.
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
    state->m_Ready.store(kReady, std::memory_order_release);
    return state;
}

/// Maps an object that another holder created, once its creator has sized and
/// initialised it.
SharedEventState* MapExisting(int fd) noexcept
{
    auto const giveUp = std::chrono::steady_clock::now() + kCreationPatience;
    struct stat status { };
    while (fstat(fd, &status) == 0 && status.st_size < static_cast<off_t>(sizeof(SharedEventState))) {
        if (std::chrono::steady_clock::now() > giveUp) {
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void* const memory = mmap(nullptr, sizeof(SharedEventState), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        return nullptr;
    }
    auto* const state = static_cast<SharedEventState*>(memory);
    while (state->m_Ready.load(std::memory_order_acquire) != kReady) {
        if (std::chrono::steady_clock::now() > giveUp) {
            munmap(memory, sizeof(SharedEventState));
            return nullptr;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return state;
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
        return std::shared_ptr<SharedEvent>(new SharedEvent(state, std::string()));
    }

    std::string sharedName = SharedMemoryName(name);
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        int fd = shm_open(sharedName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
        if (fd >= 0) {
            SharedEventState* const state = InitCreated(fd);
            close(fd);
            if (state == nullptr) {
                shm_unlink(sharedName.c_str());
                return nullptr;
            }
            return std::shared_ptr<SharedEvent>(new SharedEvent(state, std::move(sharedName)));
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
        SharedEventState* const state = MapExisting(fd);
        close(fd);
        if (state == nullptr) {
            return nullptr;
        }
        {
            StateLock const lock(*state);
            if (!state->m_Removed) {
                ++state->m_Holders;
                return std::shared_ptr<SharedEvent>(new SharedEvent(state, std::move(sharedName)));
            }
        }
        munmap(state, sizeof(SharedEventState)); // closed while we opened it: start over
    }
    return nullptr;
}

SharedEvent::SharedEvent(SharedEventState* state, std::string sharedName) noexcept
    : m_State(state)
    , m_SharedName(std::move(sharedName))
    , m_Opener(getpid())
{ }

SharedEvent::~SharedEvent()
{
    if (m_SharedName.empty()) {
        pthread_cond_destroy(&m_State->m_Condition);
        pthread_mutex_destroy(&m_State->m_Mutex);
        delete m_State;
        return;
    }
    if (getpid() != m_Opener) {
        // A copy inherited through fork: it was never counted as a holder.
        munmap(m_State, sizeof(SharedEventState));
        return;
    }
    {
        // Removing the name under the mutex lets an opener that still reached
        // this object see that it is gone.
        StateLock const lock(*m_State);
        if (--m_State->m_Holders == 0) {
            m_State->m_Removed = true;
            shm_unlink(m_SharedName.c_str());
        }
    }
    // The mutex and condition variable stay as they are: other processes may
    // still have the object mapped, and it vanishes with its last mapping.
    munmap(m_State, sizeof(SharedEventState));
}

void SharedEvent::Set() noexcept
{
    StateLock const lock(*m_State);
    if (!m_State->m_Signalled) {
        m_State->m_Signalled = true;
        ++m_State->m_Generation;
        pthread_cond_broadcast(&m_State->m_Condition);
    }
}

void SharedEvent::Reset() noexcept
{
    StateLock const lock(*m_State);
    m_State->m_Signalled = false;
}

bool SharedEvent::Wait(std::uint32_t milliseconds) noexcept
{
    StateLock const lock(*m_State);
    if (m_State->m_Signalled) {
        return true;
    }
    if (milliseconds == 0) {
        return false;
    }
    std::uint64_t const generation = m_State->m_Generation;
    timespec const deadline = Deadline(milliseconds);
    while (!m_State->m_Signalled && m_State->m_Generation == generation) {
        int const result = milliseconds == kInfinite
            ? pthread_cond_wait(&m_State->m_Condition, &m_State->m_Mutex)
            : pthread_cond_timedwait(&m_State->m_Condition, &m_State->m_Mutex, &deadline);
        Recover(*m_State, result);
        if (result == ETIMEDOUT) {
            break;
        }
    }
    return m_State->m_Signalled || m_State->m_Generation != generation;
}

} // namespace Tarnwick::Platform
