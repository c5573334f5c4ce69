// The soak load of the logging tests at any size: eight threads log through
// three loggers of one manager into one file, count through one
// ServiceDiagnostics and hand events to each other; afterwards the file, the
// counters and the hand-offs are checked.
//   soak_run [operations per thread, default 100000]
// Exits with 1 and lists the problems when anything was lost.

#include "logging/Soak.h"

#include <tarnwick/diagnostics/ServiceDiagnostics.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <stdlib.h>

int main(int argc, char** argv)
{
    int const operations = argc > 1 ? std::atoi(argv[1]) : 100000;
    if (operations <= 0) {
        std::fprintf(stderr, "usage: soak_run [operations per thread]\n");
        return 2;
    }
    std::string directory = (std::filesystem::temp_directory_path() / "tarnwick-soak-XXXXXX").string();
    if (::mkdtemp(directory.data()) == nullptr) {
        std::perror("mkdtemp");
        return 2;
    }
    std::filesystem::current_path(directory);

    auto const start = std::chrono::steady_clock::now();
    Tarnwick::Diagnostics::ServiceDiagnostics diagnostics(u"soak");
    Soak::Outcome const outcome = Soak::Run(u"soak.log", operations, diagnostics);
    double const seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    auto const problems = Soak::Check("Logs/soak.log", operations, outcome, diagnostics);
    auto const bytes = std::filesystem::file_size("Logs/soak.log");

    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(directory);

    std::printf("%d threads x %d operations: %lld lines (%.1f MB), %lld hand-offs in %.2f s (%.0f lines/s)\n",
        Soak::kThreads, operations, static_cast<long long>(outcome.lines), static_cast<double>(bytes) / 1e6,
        static_cast<long long>(outcome.handOffs), seconds, static_cast<double>(outcome.lines) / seconds);
    for (auto const& problem : problems) {
        std::printf("problem: %s\n", problem.c_str());
    }
    std::printf("%s\n", problems.empty() ? "nothing lost" : "LOST");
    return problems.empty() ? 0 : 1;
}
