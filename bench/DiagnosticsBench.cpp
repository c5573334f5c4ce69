// Counting through ServiceDiagnostics with one and two threads, beside the
// bare shapes it is measured against: a std::mutex-guarded increment (back to
// back, and after hashing a name), an atomic increment (the limit) and the plain shape of an ordered map looked up
// under one lock followed by the counter's own lock.

#include <tarnwick/diagnostics/ServiceDiagnostics.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

using Tarnwick::Diagnostics::ServiceDiagnostics;

namespace {

ServiceDiagnostics& Diagnostics()
{
    static ServiceDiagnostics diagnostics(u"Bench::Service");
    return diagnostics;
}

std::u16string const kCounterName = u"requests.accepted";

void BM_BareMutexIncrement(benchmark::State& state)
{
    static std::mutex mutex;
    static std::int64_t count = 0;
    for (auto _ : state) {
        std::lock_guard<std::mutex> const lock(mutex);
        benchmark::DoNotOptimize(++count);
    }
}

// The same bare increment after hashing the counter's name, as any update that
// finds its counter by name must do first: between two of a thread's updates
// the other thread can take the mutex, so the lock's cache line moves on
// nearly every update instead of staying with one thread for a run of them.
void BM_BareMutexIncrementAfterHashingTheName(benchmark::State& state)
{
    static std::mutex mutex;
    static std::int64_t count = 0;
    std::hash<std::u16string_view> const hash;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hash(kCounterName));
        std::lock_guard<std::mutex> const lock(mutex);
        benchmark::DoNotOptimize(++count);
    }
}

void BM_AtomicIncrement(benchmark::State& state)
{
    static std::atomic<std::int64_t> count {0};
    for (auto _ : state) {
        benchmark::DoNotOptimize(count.fetch_add(1, std::memory_order_relaxed));
    }
}

// The plain shape: std::map lookup under the object's lock, then the counter's lock.
void BM_OrderedMapThenCounterLock(benchmark::State& state)
{
    struct Counter {
        std::mutex mutex;
        std::int32_t count = 0;
    };
    static std::mutex mapMutex;
    static std::map<std::u16string, Counter> counters = [] {
        std::map<std::u16string, Counter> m;
        for (char16_t c = u'a'; c < u'a' + 8; ++c) {
            m[u"requests." + std::u16string(1, c)];
        }
        m[kCounterName];
        return m;
    }();
    for (auto _ : state) {
        Counter* counter = nullptr;
        {
            std::lock_guard<std::mutex> const lock(mapMutex);
            counter = &counters[kCounterName];
        }
        std::lock_guard<std::mutex> const lock(counter->mutex);
        benchmark::DoNotOptimize(++counter->count);
    }
}

// A few counters besides the measured one, so that the lookup is not trivially a single entry.
void Prepare(ServiceDiagnostics& diagnostics)
{
    diagnostics.SetLevel(ServiceDiagnostics::SD_ALL);
    for (char16_t c = u'a'; c < u'a' + 8; ++c) {
        diagnostics.NumberCounterIncrease(u"requests." + std::u16string(1, c));
        diagnostics.SizeCounterUpdate(u"requests." + std::u16string(1, c), 1);
    }
}

void BM_NumberCounterIncrease(benchmark::State& state)
{
    ServiceDiagnostics& diagnostics = Diagnostics();
    if (state.thread_index() == 0) {
        Prepare(diagnostics);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(diagnostics.NumberCounterIncrease(kCounterName));
    }
}

void BM_SizeCounterUpdate(benchmark::State& state)
{
    ServiceDiagnostics& diagnostics = Diagnostics();
    if (state.thread_index() == 0) {
        Prepare(diagnostics);
    }
    std::uint32_t size = 100;
    for (auto _ : state) {
        benchmark::DoNotOptimize(diagnostics.SizeCounterUpdate(kCounterName, size++ & 0xFFF));
    }
}

void BM_DisabledNumberCounterIncrease(benchmark::State& state)
{
    static ServiceDiagnostics diagnostics(u"Bench::Off");
    for (auto _ : state) {
        benchmark::DoNotOptimize(diagnostics.NumberCounterIncrease(kCounterName));
    }
}

} // namespace

BENCHMARK(BM_AtomicIncrement)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_BareMutexIncrement)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_BareMutexIncrementAfterHashingTheName)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_OrderedMapThenCounterLock)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_NumberCounterIncrease)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_SizeCounterUpdate)->Threads(1)->Threads(2)->UseRealTime();
BENCHMARK(BM_DisabledNumberCounterIncrease)->Threads(1)->Threads(2)->UseRealTime();

BENCHMARK_MAIN();
