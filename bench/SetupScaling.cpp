// Setting up loggers and diagnostics at growing sizes: n named members and m
// level settings by name pattern, made in either order (members first, then
// settings; or settings first). Prints the seconds of each setup and the
// growth exponent between successive sizes (log of the time ratio over log of
// the size ratio): 1 is linear in that size.
//
//   setup_scaling [repetitions]   (each figure is the best of the repetitions, 3 by default)
//   setup_scaling one loggers|diagnostics <n> <m> members|settings
//                                  (one setup, for instruction counts under callgrind)

#include <tarnwick/diagnostics/DiagnosticsManager.h>
#include <tarnwick/logging/LoggerManager.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Tarnwick::Diagnostics::DiagnosticsManager;
using Tarnwick::Diagnostics::ServiceDiagnostics;
using Tarnwick::Utils::LoggerManager;

std::u16string Number(std::size_t value)
{
    std::string const digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

// Members as a service names them: "Service<k>::Module<j>::Part<i>"; settings
// name modules ("Module<j>::"), some services ("Service<k>") and one default.
std::vector<std::u16string> MemberNames(std::size_t count)
{
    std::vector<std::u16string> names;
    for (std::size_t i = 0; i < count; ++i) {
        names.push_back(u"Service" + Number(i % 7) + u"::Module" + Number(i / 10) + u"::Part" + Number(i));
    }
    return names;
}

std::vector<std::u16string> Patterns(std::size_t count)
{
    std::vector<std::u16string> patterns {u""};
    for (std::size_t j = 1; j < count; ++j) {
        patterns.push_back(j % 10 == 0 ? u"Service" + Number(j % 7) : u"Module" + Number(j * 7 % 1000) + u"::");
    }
    return patterns;
}

struct Logging {
    static char const* Name() { return "loggers"; }
    LoggerManager manager {u"unused.log"};
    void Add(std::u16string const& name) { manager.GetLogger(name, Tarnwick::Utils::OUTPUT_CONSOLE); }
    void Set(std::u16string const& pattern, std::size_t j)
    {
        manager.SetLevelType(pattern, static_cast<Tarnwick::Utils::LevelTypes>(j % 7));
    }
};

struct Diagnostics {
    static char const* Name() { return "diagnostics"; }
    DiagnosticsManager manager;
    void Add(std::u16string const& name) { manager.GetServiceDiagnostics(name); }
    void Set(std::u16string const& pattern, std::size_t j)
    {
        manager.SetLevelType(pattern, static_cast<ServiceDiagnostics::DiagnosticsLevel>(j % 5));
    }
};

template <class Manager> double Seconds(std::size_t members, std::size_t patterns, bool membersFirst, int repetitions)
{
    std::vector<std::u16string> const names = MemberNames(members);
    std::vector<std::u16string> const settings = Patterns(patterns);
    double best = 1e300;
    for (int repetition = 0; repetition < repetitions; ++repetition) {
        auto const start = std::chrono::steady_clock::now();
        {
            Manager manager;
            auto const addAll = [&] {
                for (auto const& name : names) {
                    manager.Add(name);
                }
            };
            auto const setAll = [&] {
                for (std::size_t j = 0; j < settings.size(); ++j) {
                    manager.Set(settings[j], j);
                }
            };
            if (membersFirst) {
                addAll();
                setAll();
            } else {
                setAll();
                addAll();
            }
        }
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

template <class Manager> void Table(int repetitions)
{
    std::size_t const sizes[] = {100, 1000, 10000};
    std::size_t const patternCounts[] = {10, 100, 1000};
    for (bool const membersFirst : {true, false}) {
        std::printf("\n%s, %s first: seconds (growth exponent against the smaller size in n)\n", Manager::Name(),
            membersFirst ? "members" : "settings");
        std::printf("| m \\ n |");
        for (std::size_t const n : sizes) {
            std::printf(" %zu |", n);
        }
        std::printf("\n|---|---|---|---|\n");
        for (std::size_t const m : patternCounts) {
            std::printf("| %zu |", m);
            double previous = 0;
            for (std::size_t i = 0; i < std::size(sizes); ++i) {
                double const seconds = Seconds<Manager>(sizes[i], m, membersFirst, repetitions);
                if (i == 0) {
                    std::printf(" %.4f |", seconds);
                } else {
                    std::printf(" %.4f (%.2f) |", seconds, std::log(seconds / previous) / std::log(10.0));
                }
                previous = seconds;
            }
            std::printf("\n");
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 6 && std::string(argv[1]) == "one") {
        std::size_t const members = std::strtoul(argv[3], nullptr, 10);
        std::size_t const patterns = std::strtoul(argv[4], nullptr, 10);
        bool const membersFirst = std::string(argv[5]) == "members";
        double const seconds = std::string(argv[2]) == "loggers"
            ? Seconds<Logging>(members, patterns, membersFirst, 1)
            : Seconds<Diagnostics>(members, patterns, membersFirst, 1);
        std::printf("%.4f s\n", seconds);
        return 0;
    }
    int const repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    Table<Logging>(repetitions);
    Table<Diagnostics>(repetitions);
    return 0;
}
