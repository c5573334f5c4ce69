#pragma once

// A load of eight threads that log through several loggers of one manager into
// one file, count through one ServiceDiagnostics and hand events to each other,
// and the check of what it left. Run small by the logging tests (also under
// ThreadSanitizer) and large by bench/SoakRun.

#include "logging/Utf8Check.h"

#include <tarnwick/diagnostics/ServiceDiagnostics.h>
#include <tarnwick/logging/LoggerManager.h>
#include <tarnwick/logging/ServiceLogger.h>
#include <tarnwick/threading/ServiceEvent.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include <unistd.h>

namespace Soak {

inline constexpr int kThreads = 8; // in pairs: an even thread hands its partner an event, the odd one answers
inline constexpr int kLoggers = 3;
inline constexpr int kHandOffEvery = 16; // operations between two hand-offs of a pair
inline constexpr std::uint32_t kLostWaitMs = 20000; // a hand-off not answered by then is a lost wait
inline constexpr std::uint32_t kLargestSize = 999;
inline constexpr char16_t kWideText[] = u"caf\u00E9 \u20AC \U0001F600";
inline constexpr char kNarrowText[] = "gr\xC3\xBC\xC3\x9F";

/// What every thread did, as it counted it itself.
struct Outcome {
    std::int64_t lines = 0;
    std::int64_t handOffs = 0;
    std::int64_t lostWaits = 0;
};

/// The message text of operation `op` of thread `thread`, as the file must hold it.
inline std::string ExpectedText(int thread, int op)
{
    return "t=" + std::to_string(thread) + " op=" + std::to_string(op) + " caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 "
        + kNarrowText + " " + std::to_string(op % 1000) + ".50";
}

inline std::u16string LoggerName(int index)
{
    return u"Soak.Logger" + std::u16string(1, static_cast<char16_t>(u'A' + index));
}

inline std::u16string CounterOfThread(int thread)
{
    return u"thread." + std::u16string(1, static_cast<char16_t>(u'0' + thread));
}

/// One pair's two events: named for the first pairs (shared memory), private for the others.
struct HandOff {
    HandOff(std::u16string const& name)
        : ready(name.empty() ? name : name + u".ready")
        , answer(name.empty() ? name : name + u".answer")
    { }
    Tarnwick::Threading::ServiceEvent ready;
    Tarnwick::Threading::ServiceEvent answer;
};

/// Runs `operations` operations on each of the eight threads, writing into
/// ./Logs/<logFile>, and answers what the threads counted.
inline Outcome Run(
    std::u16string const& logFile, int operations, Tarnwick::Diagnostics::ServiceDiagnostics& diagnostics)
{
    using namespace Tarnwick::Utils;
    diagnostics.SetLevel(Tarnwick::Diagnostics::ServiceDiagnostics::SD_ALL);
    LoggerManager manager(logFile);
    std::vector<ServiceLogger*> loggers;
    for (int i = 0; i < kLoggers; ++i) {
        loggers.push_back(manager.GetLogger(LoggerName(i), OUTPUT_FILE));
    }
    std::string const pid = std::to_string(getpid());
    std::vector<std::unique_ptr<HandOff>> handOffs;
    for (int pair = 0; pair < kThreads / 2; ++pair) {
        handOffs.push_back(std::make_unique<HandOff>(pair % 2 == 0
                ? u"tarnwick-soak-" + std::u16string(pid.begin(), pid.end()) + u"-" + std::u16string(1, u'0' + pair)
                : u""));
    }
    std::vector<Outcome> outcomes(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            Outcome& outcome = outcomes[static_cast<std::size_t>(t)];
            HandOff& handOff = *handOffs[static_cast<std::size_t>(t / 2)];
            std::u16string const own = CounterOfThread(t);
            for (int op = 0; op < operations; ++op) {
                ServiceLogger& logger = *loggers[static_cast<std::size_t>((t + op) % kLoggers)];
                if (op % 2 == 0) {
                    logger.Warning(u"t=%d op=%d %s %S %.2f", t, op, kWideText, kNarrowText, op % 1000 + 0.5);
                } else {
                    logger.Error(u"t=%d op=%d %s %S %.2f", t, op, kWideText, kNarrowText, op % 1000 + 0.5);
                }
                ++outcome.lines;
                diagnostics.NumberCounterIncrease(u"operations");
                diagnostics.NumberCounterIncrease(own);
                diagnostics.SizeCounterUpdate(u"sizes", static_cast<std::uint32_t>(op) % (kLargestSize + 1));
                if (op % kHandOffEvery != 0) {
                    continue;
                }
                std::u16string const id = own + u"." + std::u16string(1, static_cast<char16_t>(u'a' + op % 26));
                diagnostics.TimeCounterStart(u"handoffs", id);
                if (t % 2 == 0) {
                    handOff.ready.SetEvent();
                    outcome.lostWaits += handOff.answer.WaitForEvent(kLostWaitMs) ? 0 : 1;
                    handOff.answer.ResetEvent();
                } else {
                    outcome.lostWaits += handOff.ready.WaitForEvent(kLostWaitMs) ? 0 : 1;
                    handOff.ready.ResetEvent();
                    handOff.answer.SetEvent();
                }
                diagnostics.TimeCounterStop(u"handoffs", id);
                ++outcome.handOffs;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    Outcome total;
    for (auto const& outcome : outcomes) {
        total.lines += outcome.lines;
        total.handOffs += outcome.handOffs;
        total.lostWaits += outcome.lostWaits;
    }
    return total;
}

/// True when `line` starts with a time stamp "hh:mm:ss.uuuuuu M/D/YYYY ".
inline bool StartsWithStamp(std::string const& line, std::size_t& end)
{
    std::string_view const shape = "00:00:00.000000 ";
    if (line.size() < shape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < shape.size(); ++i) {
        bool const digit = line[i] >= '0' && line[i] <= '9';
        if (shape[i] == '0' ? !digit : line[i] != shape[i]) {
            return false;
        }
    }
    std::size_t at = shape.size();
    for (char const separator : {'/', '/', ' '}) {
        std::size_t const start = at;
        while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
            ++at;
        }
        if (at == start || at >= line.size() || line[at] != separator) {
            return false;
        }
        ++at;
    }
    end = at;
    return true;
}

/// Everything wrong with what a run of `operations` per thread left behind;
/// empty when the file holds exactly the lines written, each whole, and the
/// counters and hand-offs add up.
inline std::vector<std::string> Check(std::string const& logPath, int operations, Outcome const& outcome,
    Tarnwick::Diagnostics::ServiceDiagnostics& diagnostics)
{
    std::vector<std::string> problems;
    auto const problem = [&](std::string text) {
        if (problems.size() < 20) {
            problems.push_back(std::move(text));
        }
    };
    std::int64_t const total = static_cast<std::int64_t>(kThreads) * operations;
    std::int64_t const handOffs
        = static_cast<std::int64_t>(kThreads) * ((operations + kHandOffEvery - 1) / kHandOffEvery);
    if (outcome.lines != total || outcome.handOffs != handOffs) {
        problem("threads counted " + std::to_string(outcome.lines) + " lines and " + std::to_string(outcome.handOffs)
            + " hand-offs");
    }
    if (outcome.lostWaits != 0) {
        problem(std::to_string(outcome.lostWaits) + " waits lost");
    }

    std::ifstream in(logPath, std::ios::binary);
    std::string const bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!bytes.empty() && bytes.back() != '\n') {
        problem("the file ends inside a line");
    }
    std::set<std::pair<int, int>> seen;
    std::int64_t lines = 0;
    for (std::size_t start = 0; start < bytes.size();) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end;
        std::string const line = bytes.substr(start, end - start);
        start = end + 1;
        ++lines;
        std::size_t textAt = 0;
        int thread = -1;
        int op = -1;
        if (!TarnwickTest::IsUtf8(line) || !StartsWithStamp(line, textAt)) {
            problem("not a whole UTF-8 line: " + line);
            continue;
        }
        std::string const rest = line.substr(textAt);
        std::size_t const dash = rest.find(" - t=");
        if (dash == std::string::npos || std::sscanf(rest.c_str() + dash, " - t=%d op=%d", &thread, &op) != 2
            || thread < 0 || thread >= kThreads || op < 0 || op >= operations) {
            problem("unexpected line: " + line);
            continue;
        }
        std::string const expected = std::string(op % 2 == 0 ? "WARN" : "ERROR") + " : Soak.Logger"
            + static_cast<char>('A' + (thread + op) % kLoggers) + " - " + ExpectedText(thread, op);
        if (rest != expected) {
            problem("line of t=" + std::to_string(thread) + " op=" + std::to_string(op) + " reads: " + rest);
        }
        if (!seen.emplace(thread, op).second) {
            problem("written twice: t=" + std::to_string(thread) + " op=" + std::to_string(op));
        }
    }
    if (lines != total || static_cast<std::int64_t>(seen.size()) != total) {
        problem("the file holds " + std::to_string(lines) + " lines, " + std::to_string(seen.size()) + " distinct, of "
            + std::to_string(total));
    }

    if (diagnostics.NumberCounterGetCount(u"operations") != total) {
        problem("operations counted " + std::to_string(diagnostics.NumberCounterGetCount(u"operations")));
    }
    for (int t = 0; t < kThreads; ++t) {
        if (diagnostics.NumberCounterGetCount(CounterOfThread(t)) != operations) {
            problem("thread " + std::to_string(t) + " counted "
                + std::to_string(diagnostics.NumberCounterGetCount(CounterOfThread(t))));
        }
    }
    std::uint32_t const largest = std::min<std::uint32_t>(kLargestSize, static_cast<std::uint32_t>(operations - 1));
    if (diagnostics.SizeCounterGetMax(u"sizes") != largest || diagnostics.SizeCounterGetMin(u"sizes") != 0) {
        problem("sizes from " + std::to_string(diagnostics.SizeCounterGetMin(u"sizes")) + " to "
            + std::to_string(diagnostics.SizeCounterGetMax(u"sizes")));
    }
    return problems;
}

} // namespace Soak
