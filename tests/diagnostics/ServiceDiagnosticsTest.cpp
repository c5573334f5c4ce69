#include "diagnostics/DiagnosticsTestSupport.h"

#include <tarnwick/diagnostics/ServiceDiagnostics.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <limits>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

using namespace DiagnosticsTest;
using Tarnwick::Diagnostics::ServiceDiagnostics;
using Level = ServiceDiagnostics::DiagnosticsLevel;
using enum Level;

namespace {

// Diagnostics are made from their name as from a wide string.
static_assert(std::is_convertible_v<std::u16string const&, ServiceDiagnostics>);

std::u16string Widen(std::string const& ascii)
{
    return std::u16string(ascii.begin(), ascii.end());
}

// ---- The level matrix -------------------------------------------------------

struct LevelCase {
    std::int32_t level;
    bool number;
    bool time;
    bool size;
};

class LevelMatrixTest : public testing::TestWithParam<LevelCase> { };

TEST_P(LevelMatrixTest, EnablesExactlyItsKindsAndDisabledKindsChangeNothing)
{
    LevelCase const c = GetParam();
    ServiceDiagnostics diagnostics(u"Matrix");
    diagnostics.SetLevel(static_cast<Level>(c.level));
    EXPECT_EQ(diagnostics.GetLevelType(), c.level);

    EXPECT_EQ(diagnostics.NumberCounterIncrease(u"n"), c.number);
    EXPECT_EQ(diagnostics.NumberCounterIncrease(u"n"), c.number);
    EXPECT_EQ(diagnostics.NumberCounterDecrease(u"n"), c.number);
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"n"), c.number ? 1 : 0);
    EXPECT_EQ(diagnostics.NumberCounterReset(u"n", 42), c.number);
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"n"), c.number ? 42 : 0);

    EXPECT_EQ(diagnostics.SizeCounterUpdate(u"s", 7), c.size);
    EXPECT_EQ(diagnostics.SizeCounterGetMax(u"s"), c.size ? 7u : 0u);
    EXPECT_EQ(diagnostics.SizeCounterReset(u"s"), c.size);
    EXPECT_EQ(diagnostics.SizeCounterGetMax(u"s"), 0u);
    EXPECT_EQ(diagnostics.SizeCounterUpdate(u"s", 9), c.size);
    EXPECT_EQ(diagnostics.SizeCounterGetMin(u"s"), c.size ? 9u : kInitialMin);
    EXPECT_EQ(diagnostics.SizeCounterGetAverage(u"s"), c.size ? 9.0 : 0.0);

    EXPECT_EQ(diagnostics.TimeCounterStart(u"t", u"id"), c.time);
    // A disabled kind answers false even where an enabled one would throw.
    if (!c.time) {
        EXPECT_FALSE(diagnostics.TimeCounterStart(u"t", u"id"));
        EXPECT_FALSE(diagnostics.TimeCounterStop(u"t", u"never started"));
    }
    EXPECT_EQ(diagnostics.TimeCounterStop(u"t", u"id"), c.time);
    EXPECT_EQ(diagnostics.TimeCounterGetMin(u"t") != kInitialMin, c.time);
    EXPECT_EQ(diagnostics.TimeCounterReset(u"t"), c.time);
    EXPECT_EQ(diagnostics.TimeCounterGetMin(u"t"), kInitialMin);
    EXPECT_EQ(diagnostics.TimeCounterGetMax(u"t"), 0u);
    EXPECT_EQ(diagnostics.TimeCounterGetAverage(u"t"), 0.0);
}

INSTANTIATE_TEST_SUITE_P(AllLevels, LevelMatrixTest,
    testing::Values(LevelCase {SD_NONE, false, false, false}, LevelCase {SD_NUMBER_COUNTER, true, false, false},
        LevelCase {SD_TIME_COUNTER, false, true, false}, LevelCase {SD_SIZE_COUNTER, false, false, true},
        LevelCase {SD_ALL, true, true, true}, LevelCase {5, false, false, false}, LevelCase {-1, false, false, false},
        LevelCase {std::numeric_limits<std::int32_t>::min(), false, false, false}));

TEST(ServiceDiagnosticsTest, FreshObjectIsOffAndReadersCreateCountersAtTheirInitialValues)
{
    ServiceDiagnostics diagnostics(u"Fresh");
    EXPECT_EQ(diagnostics.GetName(), u"Fresh");
    EXPECT_EQ(diagnostics.GetLevelType(), SD_NONE);
    EXPECT_FALSE(diagnostics.NumberCounterIncrease(u"calls"));
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"calls"), 0);
    EXPECT_EQ(diagnostics.SizeCounterGetMin(u"bytes"), kInitialMin);
    EXPECT_EQ(diagnostics.SizeCounterGetMax(u"bytes"), 0u);
    EXPECT_EQ(diagnostics.SizeCounterGetAverage(u"bytes"), 0.0);
    EXPECT_EQ(diagnostics.TimeCounterGetMin(u"latency"), kInitialMin);
    EXPECT_EQ(diagnostics.TimeCounterGetMax(u"latency"), 0u);
    EXPECT_EQ(diagnostics.TimeCounterGetAverage(u"latency"), 0.0);
    // A counter first created by a reader then counts like any other.
    diagnostics.SetLevel(SD_ALL);
    EXPECT_TRUE(diagnostics.NumberCounterIncrease(u"calls"));
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"calls"), 1);
}

TEST(ServiceDiagnosticsTest, KindsAreSeparateNameSpaces)
{
    ServiceDiagnostics diagnostics(u"Kinds");
    diagnostics.SetLevel(SD_ALL);
    diagnostics.NumberCounterReset(u"x", 3);
    diagnostics.SizeCounterUpdate(u"x", 11);
    diagnostics.TimeCounterStart(u"x", u"m");
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"x"), 3);
    EXPECT_EQ(diagnostics.SizeCounterGetMax(u"x"), 11u);
    EXPECT_EQ(diagnostics.TimeCounterGetMax(u"x"), 0u);
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"y"), 0);
    diagnostics.TimeCounterStop(u"x", u"m");
}

TEST(ServiceDiagnosticsTest, SwitchingOffKeepsTheValuesAndSwitchingOnContinues)
{
    ServiceDiagnostics diagnostics(u"Switch");
    diagnostics.SetLevel(SD_NUMBER_COUNTER);
    for (int i = 0; i < 3; ++i) {
        diagnostics.NumberCounterIncrease(u"c");
    }
    diagnostics.SetLevel(SD_NONE);
    EXPECT_FALSE(diagnostics.NumberCounterIncrease(u"c"));
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"c"), 3);
    diagnostics.SetLevel(SD_ALL);
    EXPECT_TRUE(diagnostics.NumberCounterIncrease(u"c"));
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"c"), 4);
}

TEST(ServiceDiagnosticsTest, NamesOfEveryLengthAndNearMissesStayApart)
{
    ServiceDiagnostics diagnostics(u"Names");
    diagnostics.SetLevel(SD_NUMBER_COUNTER);
    std::vector<std::u16string> names;
    for (std::size_t length = 0; length <= 40; ++length) {
        std::u16string name(length, u'n');
        names.push_back(name);
        if (length > 2) {
            name[length / 2] = u'\u00e9'; // differs only in the middle
            names.push_back(name);
            name[length / 2] = u'n';
            name.back() = u'\0'; // differs only in a trailing unit 0
            names.push_back(name);
        }
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        diagnostics.NumberCounterReset(names[i], static_cast<std::int32_t>(i) + 1);
    }
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(diagnostics.NumberCounterGetCount(names[i]), static_cast<std::int32_t>(i) + 1) << i;
    }
}

// ---- Level names ------------------------------------------------------------

TEST(ServiceDiagnosticsTest, LevelNamesParseExactly)
{
    std::array<char16_t const*, 5> const names
        = {u"SD_NONE", u"SD_NUMBER_COUNTER", u"SD_TIME_COUNTER", u"SD_SIZE_COUNTER", u"SD_ALL"};
    for (std::size_t value = 0; value < names.size(); ++value) {
        EXPECT_EQ(ServiceDiagnostics::GetLevelType(names[value]), static_cast<std::int32_t>(value)) << value;
    }
    std::u16string const bads[]
        = {u"sd_all", u"SD_ALL ", u" SD_NONE", u"", u"SD_", u"4", std::u16string(u"SD_ALL\0", 7)};
    for (std::u16string const& bad : bads) {
        EXPECT_EQ(ReportOf([&] { ServiceDiagnostics::GetLevelType(bad); }),
            u"Exception: ServiceDiagnostics line 227 - GetLevelType() - type name " + bad + u" unknown");
    }
}

// ---- Number and size statistics ---------------------------------------------

TEST(ServiceDiagnosticsTest, NumberCounterGoesNegativeAndWrapsAtItsLimits)
{
    ServiceDiagnostics diagnostics(u"Numbers");
    diagnostics.SetLevel(SD_NUMBER_COUNTER);
    diagnostics.NumberCounterReset(u"c", 5);
    for (int i = 0; i < 6; ++i) {
        diagnostics.NumberCounterDecrease(u"c");
    }
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"c"), -1);
    diagnostics.NumberCounterReset(u"c", std::numeric_limits<std::int32_t>::max());
    diagnostics.NumberCounterIncrease(u"c");
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"c"), std::numeric_limits<std::int32_t>::min());
    diagnostics.NumberCounterDecrease(u"c");
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"c"), std::numeric_limits<std::int32_t>::max());
}

TEST(ServiceDiagnosticsTest, SizeStatistics)
{
    // `before` are counted and reset before `samples`.
    struct Case {
        std::vector<std::uint32_t> before;
        std::vector<std::uint32_t> samples;
        std::uint32_t min;
        std::uint32_t max;
        double average;
    };
    Case const cases[] = {
        {{}, {}, kInitialMin, 0, 0.0},
        {{}, {10, 20, 30}, 10, 30, 20.0},
        {{}, {7}, 7, 7, 7.0},
        {{}, {30, 10, 20}, 10, 30, 20.0},
        // The first sample is the minimum even at or above the initial 999999999.
        {{}, {2000000000}, 2000000000, 2000000000, 2000000000.0},
        {{}, {999999999}, 999999999, 999999999, 999999999.0},
        {{}, {4294967295u, 4294967295u}, 4294967295u, 4294967295u, 4294967295.0},
        {{}, {0}, 0, 0, 0.0},
        {{}, {1, 2}, 1, 2, 1.5},
        // A reset starts the statistics afresh.
        {{10, 20, 30}, {}, kInitialMin, 0, 0.0},
        {{10, 20, 30}, {7}, 7, 7, 7.0},
        {{7}, {1000000000}, 1000000000, 1000000000, 1000000000.0},
    };
    for (Case const& c : cases) {
        ServiceDiagnostics diagnostics(u"Sizes");
        diagnostics.SetLevel(SD_SIZE_COUNTER);
        for (std::uint32_t const sample : c.before) {
            diagnostics.SizeCounterUpdate(u"s", sample);
        }
        if (!c.before.empty()) {
            diagnostics.SizeCounterReset(u"s");
        }
        for (std::uint32_t const sample : c.samples) {
            diagnostics.SizeCounterUpdate(u"s", sample);
        }
        SCOPED_TRACE(testing::PrintToString(c.before) + " then " + testing::PrintToString(c.samples));
        EXPECT_EQ(diagnostics.SizeCounterGetMin(u"s"), c.min);
        EXPECT_EQ(diagnostics.SizeCounterGetMax(u"s"), c.max);
        EXPECT_DOUBLE_EQ(diagnostics.SizeCounterGetAverage(u"s"), c.average);
    }
}

// ---- Threads ----------------------------------------------------------------

TEST(ServiceDiagnosticsTest, ThreadsCountingThroughOneObjectLoseNoUpdate)
{
    ServiceDiagnostics diagnostics(u"Shared");
    diagnostics.SetLevel(SD_ALL);
    constexpr int kThreads = 4;
    constexpr int kRounds = 5000;
    RunThreads(kThreads, [&](int t) {
        for (int i = 0; i < kRounds; ++i) {
            diagnostics.NumberCounterIncrease(u"calls");
            diagnostics.SizeCounterUpdate(u"bytes", static_cast<std::uint32_t>(t + 1));
            (void)diagnostics.SizeCounterGetAverage(u"bytes");
            (void)diagnostics.NumberCounterGetCount(u"calls");
        }
    });
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"calls"), kThreads * kRounds);
    EXPECT_EQ(diagnostics.SizeCounterGetMin(u"bytes"), 1u);
    EXPECT_EQ(diagnostics.SizeCounterGetMax(u"bytes"), static_cast<std::uint32_t>(kThreads));
    EXPECT_NEAR(diagnostics.SizeCounterGetAverage(u"bytes"), (kThreads + 1) / 2.0, 1e-6);
}

TEST(ServiceDiagnosticsTest, CountersCreatedWhileOtherThreadsCountAreAllFound)
{
    // Enough names to make the lookup grow several times under concurrent use.
    ServiceDiagnostics diagnostics(u"Many");
    diagnostics.SetLevel(SD_NUMBER_COUNTER);
    constexpr int kThreads = 3;
    constexpr int kNames = 400;
    RunThreads(kThreads, [&](int t) {
        for (int i = 0; i < kNames; ++i) {
            // Every name is counted by all threads, in different orders.
            int const n = (i * (t + 1) * 7919) % kNames;
            diagnostics.NumberCounterIncrease(u"counter-" + Widen(std::to_string(n)));
            diagnostics.NumberCounterIncrease(u"common");
        }
    });
    int total = 0;
    for (int n = 0; n < kNames; ++n) {
        total += diagnostics.NumberCounterGetCount(u"counter-" + Widen(std::to_string(n)));
    }
    EXPECT_EQ(total, kThreads * kNames);
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"common"), kThreads * kNames);
}

TEST(ServiceDiagnosticsTest, LevelChangesRaceSafelyWithCounting)
{
    ServiceDiagnostics diagnostics(u"Racing");
    std::atomic<bool> done {false};
    std::thread switcher([&] {
        for (int i = 0; i < 2000; ++i) {
            diagnostics.SetLevel(i % 2 ? SD_ALL : SD_NONE);
        }
        done = true;
    });
    int counted = 0;
    while (!done) {
        counted += diagnostics.NumberCounterIncrease(u"c") ? 1 : 0;
    }
    switcher.join();
    EXPECT_EQ(diagnostics.NumberCounterGetCount(u"c"), counted);
}

} // namespace
