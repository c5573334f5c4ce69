#include "diagnostics/DiagnosticsTestSupport.h"

#include <tarnwick/diagnostics/ServiceDiagnostics.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

using namespace DiagnosticsTest;
using Tarnwick::Diagnostics::ServiceDiagnostics;

namespace {

void Sleep(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

class TimeCounterTest : public testing::Test {
protected:
    TimeCounterTest() { diagnostics.SetLevel(ServiceDiagnostics::SD_TIME_COUNTER); }
    // Every test stops what it starts, so the member's destruction never throws.
    ~TimeCounterTest() noexcept override { }

    void ExpectUntouched(std::u16string const& counter)
    {
        EXPECT_EQ(diagnostics.TimeCounterGetMin(counter), kInitialMin);
        EXPECT_EQ(diagnostics.TimeCounterGetMax(counter), 0u);
        EXPECT_EQ(diagnostics.TimeCounterGetAverage(counter), 0.0);
    }

    ServiceDiagnostics diagnostics {u"Timing"};
};

TEST_F(TimeCounterTest, OverlappingMeasurementsGiveOneSampleEach)
{
    EXPECT_TRUE(diagnostics.TimeCounterStart(u"rtt", u"A"));
    Sleep(30);
    EXPECT_TRUE(diagnostics.TimeCounterStart(u"rtt", u"B"));
    EXPECT_TRUE(diagnostics.TimeCounterStop(u"rtt", u"A")); // about 30 ms
    EXPECT_TRUE(diagnostics.TimeCounterStop(u"rtt", u"B")); // about 0 ms
    std::uint32_t const min = diagnostics.TimeCounterGetMin(u"rtt");
    std::uint32_t const max = diagnostics.TimeCounterGetMax(u"rtt");
    EXPECT_GE(max, 30000u);
    EXPECT_LE(min, max);
    EXPECT_DOUBLE_EQ(diagnostics.TimeCounterGetAverage(u"rtt"), (static_cast<double>(min) + max) / 2);
    // Once stopped, an ID may start again.
    EXPECT_TRUE(diagnostics.TimeCounterStart(u"rtt", u"A"));
    EXPECT_TRUE(diagnostics.TimeCounterStop(u"rtt", u"A"));
}

TEST_F(TimeCounterTest, StartingAnIdInFlightThrowsAndKeepsTheFirstStart)
{
    diagnostics.TimeCounterStart(u"rtt", u"A");
    Sleep(30);
    EXPECT_EQ(ReportOf([&] { diagnostics.TimeCounterStart(u"rtt", u"A"); }), StartExists(u"rtt", u"A"));
    diagnostics.TimeCounterStop(u"rtt", u"A");
    EXPECT_GE(diagnostics.TimeCounterGetMin(u"rtt"), 30000u) << "the start was replaced";
}

TEST_F(TimeCounterTest, StoppingAnIdNotInFlightThrowsAndChangesNothing)
{
    EXPECT_EQ(ReportOf([&] { diagnostics.TimeCounterStop(u"rtt", u"never"); }), StopNotFound(u"rtt", u"never"));
    ExpectUntouched(u"rtt");
    diagnostics.TimeCounterStart(u"rtt", u"once");
    diagnostics.TimeCounterStop(u"rtt", u"once");
    std::uint32_t const max = diagnostics.TimeCounterGetMax(u"rtt");
    EXPECT_EQ(ReportOf([&] { diagnostics.TimeCounterStop(u"rtt", u"once"); }), StopNotFound(u"rtt", u"once"));
    EXPECT_EQ(diagnostics.TimeCounterGetMax(u"rtt"), max);
    // Names and IDs go into the message as they are.
    EXPECT_EQ(ReportOf([&] { diagnostics.TimeCounterStop(u"D\u00e9bit", u"id \u20ac"); }),
        StopNotFound(u"D\u00e9bit", u"id \u20ac"));
}

TEST_F(TimeCounterTest, EmptyIdStopWithoutItsStartThrowsInsteadOfMeasuringFrom1970)
{
    EXPECT_EQ(ReportOf([&] { diagnostics.TimeCounterStop(u"rtt", u""); }), StopNotFound(u"rtt", u""));
    ExpectUntouched(u"rtt");

    diagnostics.TimeCounterStart(u"rtt", u"");
    diagnostics.TimeCounterReset(u"rtt"); // forgets the empty-ID start
    EXPECT_EQ(ReportOf([&] { diagnostics.TimeCounterStop(u"rtt", u""); }), StopNotFound(u"rtt", u""));
    ExpectUntouched(u"rtt");
}

TEST_F(TimeCounterTest, EmptyIdStopsMeasureFromTheSameStart)
{
    diagnostics.TimeCounterStart(u"rtt", u"");
    Sleep(60);
    diagnostics.TimeCounterStop(u"rtt", u"");
    std::uint32_t const first = diagnostics.TimeCounterGetMax(u"rtt");
    Sleep(30);
    diagnostics.TimeCounterStop(u"rtt", u"");
    std::uint32_t const second = diagnostics.TimeCounterGetMax(u"rtt");
    EXPECT_GE(first, 60000u);
    EXPECT_GE(second, first + 30000u);
    EXPECT_EQ(diagnostics.TimeCounterGetMin(u"rtt"), first);
    // A new empty-ID start silently replaces the old one.
    diagnostics.TimeCounterStart(u"rtt", u"");
    diagnostics.TimeCounterStart(u"rtt", u"");
    diagnostics.TimeCounterStop(u"rtt", u"");
    EXPECT_LT(diagnostics.TimeCounterGetMin(u"rtt"), first);
}

TEST_F(TimeCounterTest, ResetKeepsMeasurementsInFlight)
{
    diagnostics.TimeCounterStart(u"rtt", u"old");
    diagnostics.TimeCounterStop(u"rtt", u"old");
    diagnostics.TimeCounterStart(u"rtt", u"A");
    Sleep(20);
    diagnostics.TimeCounterReset(u"rtt");
    ExpectUntouched(u"rtt");
    diagnostics.TimeCounterStop(u"rtt", u"A");
    std::uint32_t const only = diagnostics.TimeCounterGetMin(u"rtt");
    EXPECT_GE(only, 20000u);
    EXPECT_EQ(diagnostics.TimeCounterGetMax(u"rtt"), only);
    EXPECT_EQ(diagnostics.TimeCounterGetAverage(u"rtt"), static_cast<double>(only));
}

TEST_F(TimeCounterTest, MeasurementsFromManyThreadsAllLand)
{
    RunThreads(4, [this](int t) {
        for (int i = 0; i < 500; ++i) {
            std::u16string const id = u"t" + std::u16string(1, static_cast<char16_t>(u'0' + t)) + u"-"
                + std::u16string(1, static_cast<char16_t>(u'a' + i % 26));
            diagnostics.TimeCounterStart(u"rtt", id);
            diagnostics.TimeCounterStop(u"rtt", id);
        }
    });
    EXPECT_NE(diagnostics.TimeCounterGetMin(u"rtt"), kInitialMin);
    // Every ID was stopped: destruction reports nothing.
}

// ---- Destruction with measurements in flight --------------------------------

TEST(TimeCounterDestructionTest, ReportsMeasurementsInFlightAfterReleasingEverything)
{
    auto* diagnostics = new ServiceDiagnostics(u"Leaving");
    diagnostics->SetLevel(ServiceDiagnostics::SD_ALL);
    diagnostics->NumberCounterIncrease(u"calls");
    diagnostics->SizeCounterUpdate(u"bytes", 4);
    diagnostics->TimeCounterStart(u"a-rtt", u"A");
    diagnostics->TimeCounterStart(u"a-rtt", u"B");
    diagnostics->TimeCounterStart(u"a-rtt", u""); // the empty ID is not in the map
    diagnostics->TimeCounterStart(u"b-rtt", u"C");
    diagnostics->TimeCounterStart(u"c-rtt", u"D");
    diagnostics->TimeCounterStop(u"c-rtt", u"D");

    testing::internal::CaptureStderr();
    std::u16string const report = ReportOf([&] { delete diagnostics; });
    std::string const standardError = testing::internal::GetCapturedStderr();
    // The first report in name order is thrown, the next one goes to standard
    // error; the leak checker confirms that every counter was released.
    EXPECT_EQ(report, LeftInMap(u"2"));
    EXPECT_EQ(standardError, OnStandardError(LeftInMap(u"1")));
}

TEST(TimeCounterDestructionTest, NothingInFlightDestroysSilently)
{
    auto* diagnostics = new ServiceDiagnostics(u"Quiet");
    diagnostics->SetLevel(ServiceDiagnostics::SD_ALL);
    diagnostics->TimeCounterStart(u"rtt", u"A");
    diagnostics->TimeCounterStop(u"rtt", u"A");
    diagnostics->TimeCounterStart(u"rtt", u"");
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(delete diagnostics);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(TimeCounterDestructionTest, DuringAnotherExceptionTheProcessSurvivesAndTheReportGoesToStandardError)
{
    EXPECT_EQ(StandardErrorWhileUnwinding([] {
        ServiceDiagnostics diagnostics(u"Unwinding");
        diagnostics.SetLevel(ServiceDiagnostics::SD_TIME_COUNTER);
        diagnostics.TimeCounterStart(u"rtt", u"A");
        throw std::runtime_error("the caller's own failure");
    }),
        OnStandardError(LeftInMap(u"1")));
}

} // namespace
