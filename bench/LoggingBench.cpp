// Logging: the cost of a suppressed message and of a file line flushed at once,
// against spdlog (flush on every level) and a bare fwrite+fflush loop of the
// same lines as the limit. Runs in a temporary working directory.

#include <tarnwick/logging/LoggerManager.h>
#include <tarnwick/logging/ServiceLogger.h>

#include <benchmark/benchmark.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using namespace Tarnwick::Utils;

// The message of every written line: "request <n> from client-7 took 12.50 ms".
constexpr char16_t kFormat[] = u"request %d from %s took %.2f ms";
constexpr char16_t kClient[] = u"client-7";

void BM_Tarnwick_SuppressedCall(benchmark::State& state)
{
    LoggerManager manager(u"suppressed.log");
    ServiceLogger* logger = manager.GetLogger(u"Bench.Server", OUTPUT_FILE);
    int i = 0;
    for (auto _ : state) {
        logger->Debug(kFormat, ++i, kClient, 12.5);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Tarnwick_SuppressedCall);

void BM_Spdlog_SuppressedCall(benchmark::State& state)
{
    auto logger = spdlog::basic_logger_mt("suppressed", "Logs/spdlog-suppressed.log", true);
    logger->set_level(spdlog::level::warn);
    int i = 0;
    for (auto _ : state) {
        logger->debug("request {} from {} took {:.2f} ms", ++i, "client-7", 12.5);
        benchmark::ClobberMemory();
    }
    spdlog::drop("suppressed");
}
BENCHMARK(BM_Spdlog_SuppressedCall);

// Without a floating-point argument the entry point saves no vector registers.
void BM_Tarnwick_SuppressedCallIntegers(benchmark::State& state)
{
    LoggerManager manager(u"suppressed.log");
    ServiceLogger* logger = manager.GetLogger(u"Bench.Server", OUTPUT_FILE);
    int i = 0;
    for (auto _ : state) {
        logger->Debug(u"request %d from %s", ++i, kClient);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Tarnwick_SuppressedCallIntegers);

void BM_Spdlog_SuppressedCallIntegers(benchmark::State& state)
{
    auto logger = spdlog::basic_logger_mt("suppressed", "Logs/spdlog-suppressed.log", true);
    logger->set_level(spdlog::level::warn);
    int i = 0;
    for (auto _ : state) {
        logger->debug("request {} from {}", ++i, "client-7");
        benchmark::ClobberMemory();
    }
    spdlog::drop("suppressed");
}
BENCHMARK(BM_Spdlog_SuppressedCallIntegers);

void BM_Tarnwick_FileLine(benchmark::State& state)
{
    LoggerManager manager(u"tarnwick.log");
    ServiceLogger* logger = manager.GetLogger(u"Bench.Server", OUTPUT_FILE);
    int i = 0;
    for (auto _ : state) {
        logger->Warning(kFormat, ++i, kClient, 12.5);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Tarnwick_FileLine);

void BM_Spdlog_FileLine(benchmark::State& state)
{
    auto logger = spdlog::basic_logger_mt("file", "Logs/spdlog.log", true);
    // The same line: local time stamp, level, name, message.
    logger->set_pattern("%H:%M:%S.%f %m/%d/%Y WARN : %n - %v");
    logger->flush_on(spdlog::level::trace);
    int i = 0;
    for (auto _ : state) {
        logger->warn("request {} from {} took {:.2f} ms", ++i, "client-7", 12.5);
    }
    state.SetItemsProcessed(state.iterations());
    spdlog::drop("file");
}
BENCHMARK(BM_Spdlog_FileLine);

// The limit: the same bytes, composed beforehand, written and flushed per line.
void BM_Bare_FwriteFflush(benchmark::State& state)
{
    std::string const line
        = "09:05:02.000042 3/7/2024 WARN : Bench.Server - request 123456 from client-7 took 12.50 ms\n";
    std::FILE* file = std::fopen("Logs/bare.log", "w");
    for (auto _ : state) {
        std::fwrite(line.data(), 1, line.size(), file);
        std::fflush(file);
    }
    std::fclose(file);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Bare_FwriteFflush);

} // namespace

int main(int argc, char** argv)
{
    std::filesystem::path const previous = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-logging-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    std::filesystem::current_path(pattern);
    std::filesystem::create_directory("Logs");

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::filesystem::current_path(previous);
    std::filesystem::remove_all(pattern);
    return 0;
}
