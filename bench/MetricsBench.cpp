// Writing the counters in the Prometheus text format: 100 services with 10
// counters each (4 number, 3 size and 3 time counters, all with samples), to a
// stream and atomically to a file; and counting on one thread with and
// without a second thread writing the metrics all the time, to show that the
// export does not hold up the threads that count.

#include <tarnwick/diagnostics/DiagnosticsManager.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using Tarnwick::Diagnostics::DiagnosticsManager;
using Tarnwick::Diagnostics::ServiceDiagnostics;

namespace {

constexpr int kServices = 100;

std::u16string Numbered(std::u16string const& prefix, int number)
{
    std::u16string text = prefix;
    for (char const digit : std::to_string(number)) {
        text.push_back(static_cast<char16_t>(digit));
    }
    return text;
}

/// 100 services of 10 counters, every kind with samples.
DiagnosticsManager& Manager()
{
    static DiagnosticsManager manager;
    static bool const filled = [] {
        manager.SetLevelType(u"", ServiceDiagnostics::SD_ALL);
        for (int s = 0; s < kServices; ++s) {
            ServiceDiagnostics* const service = manager.GetServiceDiagnostics(Numbered(u"Shop::Service", s));
            for (int c = 0; c < 4; ++c) {
                service->NumberCounterReset(Numbered(u"requests.", c), s * 1000 + c);
            }
            for (int c = 0; c < 3; ++c) {
                for (std::uint32_t size : {512u, 1500u, 65536u}) {
                    service->SizeCounterUpdate(Numbered(u"bytes.", c), size + static_cast<std::uint32_t>(s));
                }
                service->TimeCounterStart(Numbered(u"latency.", c), u"m");
                service->TimeCounterStop(Numbered(u"latency.", c), u"m");
            }
        }
        return true;
    }();
    benchmark::DoNotOptimize(filled);
    return manager;
}

void BM_WriteMetricsToStream(benchmark::State& state)
{
    DiagnosticsManager const& manager = Manager();
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::ostringstream out;
        manager.WriteMetrics(out);
        bytes = out.str().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}

// Includes creating the temporary file, fsync and rename.
void BM_WriteMetricsFile(benchmark::State& state)
{
    DiagnosticsManager const& manager = Manager();
    std::string const path = "tarnwick-bench.prom";
    for (auto _ : state) {
        manager.WriteMetricsFile(path);
    }
    std::remove(path.c_str());
}

/// Counts through service 50 (which the writer also reads); with the argument
/// 1 another thread writes the metrics meanwhile without pause ("writes" is
/// how many expositions it wrote during the run).
void BM_CountWhileWriting(benchmark::State& state)
{
    DiagnosticsManager& manager = Manager();
    ServiceDiagnostics* const service = manager.GetServiceDiagnostics(u"Shop::Service50");
    std::atomic<bool> stop {false};
    std::atomic<std::int64_t> writes {0};
    std::thread writer;
    if (state.range(0) != 0) {
        writer = std::thread([&] {
            while (!stop.load(std::memory_order_relaxed)) {
                std::ostringstream out;
                manager.WriteMetrics(out);
                writes.fetch_add(1, std::memory_order_relaxed);
            }
        });
    }
    std::uint32_t size = 0;
    for (auto _ : state) {
        service->SizeCounterUpdate(u"bytes.1", ++size & 0xFFFF);
        service->NumberCounterIncrease(u"requests.2");
    }
    stop.store(true);
    if (writer.joinable()) {
        writer.join();
    }
    state.counters["writes"] = static_cast<double>(writes.load());
}

} // namespace

BENCHMARK(BM_WriteMetricsToStream)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteMetricsFile)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CountWhileWriting)->Arg(0)->Arg(1)->UseRealTime();

BENCHMARK_MAIN();
