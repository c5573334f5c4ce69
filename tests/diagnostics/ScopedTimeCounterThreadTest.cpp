// Scoped timings with IDs of their own, from several threads at once: every
// ID is unique, every measurement starts and stops, none is left in flight.

#include <tarnwick/diagnostics/DiagnosticsManager.h>
#include <tarnwick/diagnostics/ScopedTimeCounter.h>
#include <tarnwick/diagnostics/ServiceDiagnostics.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Tarnwick::Diagnostics::DiagnosticsManager;
using Tarnwick::Diagnostics::ScopedTimeCounter;
using Tarnwick::Diagnostics::ServiceDiagnostics;

TEST(ScopedTimeCounterThreadTest, OwnIdsAreUniqueAcrossThreadsAndEveryMeasurementStops)
{
    constexpr std::size_t kThreads = 4;
    constexpr std::size_t kRounds = 300;
    DiagnosticsManager manager;
    manager.SetLevelType(u"Service", ServiceDiagnostics::SD_ALL);
    ServiceDiagnostics& diagnostics = *manager.GetServiceDiagnostics(u"Service");
    std::vector<std::vector<std::u16string>> ids(kThreads);
    std::vector<std::thread> threads;
    for (std::size_t t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (std::size_t round = 0; round < kRounds; ++round) {
                // Two at once on one thread as well: nested scopes overlap.
                ScopedTimeCounter const outer(diagnostics, u"latency");
                ScopedTimeCounter const inner(diagnostics, u"latency");
                ids[t].push_back(outer.GetMessageId());
                ids[t].push_back(inner.GetMessageId());
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::set<std::u16string> distinct;
    for (auto const& list : ids) {
        for (auto const& id : list) {
            EXPECT_EQ(id.rfind(u"latency:", 0), 0u);
            EXPECT_GT(id.size(), 8u);
            EXPECT_EQ(id.find_first_not_of(u"0123456789", 8), std::u16string::npos);
            distinct.insert(id);
        }
    }
    EXPECT_EQ(distinct.size(), 2 * kThreads * kRounds);
    std::ostringstream metrics;
    manager.WriteMetrics(metrics);
    EXPECT_NE(metrics.str().find("tarnwick_time_samples_total{service=\"Service\",counter=\"latency\"} "
                  + std::to_string(2 * kThreads * kRounds) + "\n"),
        std::string::npos)
        << metrics.str();
}

} // namespace
