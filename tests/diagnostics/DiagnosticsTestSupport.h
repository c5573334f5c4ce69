#pragma once

// Helpers shared by the diagnostics tests.

#include <tarnwick/core/ServiceException.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace DiagnosticsTest {

/// What the minimum of a size or time counter reads before its first sample.
inline constexpr std::uint32_t kInitialMin = 999999999;

/// The ToString() line of the ServiceException `call` raises, or "(no exception)".
template <class Call> std::u16string ReportOf(Call call)
{
    try {
        call();
    } catch (Tarnwick::ServiceException const& e) {
        return e.ToString();
    }
    return u"(no exception)";
}

/// Runs `body(t)` on `count` threads, t = 0 .. count - 1, and joins them.
template <class Body> void RunThreads(int count, Body body)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < count; ++t) {
        threads.emplace_back(body, t);
    }
    for (auto& thread : threads) {
        thread.join();
    }
}

/// What reaches standard error while `body` leaves through a failure of the
/// caller's own; expects that failure, and no other, to arrive.
template <class Body> std::string StandardErrorWhileUnwinding(Body body)
{
    testing::internal::CaptureStderr();
    bool caught = false;
    try {
        body();
    } catch (std::runtime_error const& e) {
        caught = std::string(e.what()) == "the caller's own failure";
    }
    EXPECT_TRUE(caught);
    return testing::internal::GetCapturedStderr();
}

/// A time counter's documented failures as `ToString()` writes them, each
/// spelled here once: the line is part of the interface.
inline std::u16string TimeCounterFailure(int line, std::u16string const& message)
{
    std::string const number = std::to_string(line);
    return u"Exception: Tarnwick::Diagnostics::TimeCounter line " + std::u16string(number.begin(), number.end())
        + u" - " + message;
}
inline std::u16string StartExists(std::u16string const& counter, std::u16string const& id)
{
    return TimeCounterFailure(45, counter + u" - Start() - message with ID: " + id + u" exists in map.\n");
}
inline std::u16string StopNotFound(std::u16string const& counter, std::u16string const& id)
{
    return TimeCounterFailure(64, counter + u" - Stop() - message with ID: " + id + u" not found in map.\n");
}
/// The destruction of a counter with `count` measurements in flight.
inline std::u16string LeftInMap(std::u16string const& count)
{
    return TimeCounterFailure(30, u"~TimeCounter() - " + count + u" messages left in map.");
}

/// A report of ASCII text as it reaches standard error: one line end added.
inline std::string OnStandardError(std::u16string const& report)
{
    return std::string(report.begin(), report.end()) + "\n";
}

} // namespace DiagnosticsTest
