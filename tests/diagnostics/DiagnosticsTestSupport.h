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

} // namespace DiagnosticsTest
