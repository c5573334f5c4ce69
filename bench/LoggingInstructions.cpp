// Writes flushed file lines through a logger and, as the limit, the same number
// of lines of the same length with a bare fwrite+fflush, for instruction counts
// under callgrind: each is warmed up, then run inside a function named
// Measured*, which callgrind is told to collect alone:
//   valgrind --tool=callgrind --toggle-collect='Measured*' ./logging_instructions
// Runs in a temporary working directory.

#include <tarnwick/logging/LoggerManager.h>
#include <tarnwick/logging/ServiceLogger.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

constexpr int kLines = 10000;
constexpr char16_t kFormat[] = u"request %d from %s took %.2f ms";
constexpr char16_t kClient[] = u"client-7";

} // namespace

extern "C" __attribute__((noinline)) void MeasuredTarnwickLines(Tarnwick::Utils::ServiceLogger& logger, int first)
{
    for (int i = first; i < first + kLines; ++i) {
        logger.Warning(kFormat, i, kClient, 12.5);
    }
}

extern "C" __attribute__((noinline)) void MeasuredBareLines(std::FILE* file, std::string const& line)
{
    for (int i = 0; i < kLines; ++i) {
        std::fwrite(line.data(), 1, line.size(), file);
        std::fflush(file);
    }
}

int main()
{
    std::filesystem::path const previous = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-logging-instructions-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        return 1;
    }
    std::filesystem::current_path(pattern);
    {
        Tarnwick::Utils::LoggerManager manager(u"tarnwick.log");
        Tarnwick::Utils::ServiceLogger& logger = *manager.GetLogger(u"Bench.Server", Tarnwick::Utils::OUTPUT_FILE);
        MeasuredTarnwickLines(logger, 100000);
        MeasuredTarnwickLines(logger, 200000);
    }
    std::string const line
        = "09:05:02.000042 3/7/2024 WARN : Bench.Server - request 123456 from client-7 took 12.50 ms\n";
    if (std::FILE* const file = std::fopen("Logs/bare.log", "w")) {
        MeasuredBareLines(file, line);
        MeasuredBareLines(file, line);
        std::fclose(file);
    }
    std::printf("lines per run: %d, bare line: %zu bytes, logger lines: %ju bytes\n", kLines, line.size(),
        static_cast<std::uintmax_t>(std::filesystem::file_size("Logs/tarnwick.log") / (2 * kLines)));
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(pattern);
    return 0;
}
