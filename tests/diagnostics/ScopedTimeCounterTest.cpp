// The scoped timer: one start and exactly one stop, on every path out of the
// scope, without a throwing destructor and without a measurement left in
// flight for the diagnostics' destructor to report.

#include "diagnostics/DiagnosticsTestSupport.h"

#include <tarnwick/core/Conversion.h>
#include <tarnwick/diagnostics/ScopedTimeCounter.h>
#include <tarnwick/diagnostics/ServiceDiagnostics.h>

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>

using namespace DiagnosticsTest;
using Tarnwick::Diagnostics::ScopedTimeCounter;
using Tarnwick::Diagnostics::ServiceDiagnostics;

namespace {

class ScopedTimeCounterTest : public testing::Test {
protected:
    ScopedTimeCounterTest() { diagnostics->SetLevel(ServiceDiagnostics::SD_TIME_COUNTER); }

    bool Sampled() { return diagnostics->TimeCounterGetMin(u"rtt") != kInitialMin; }
    /// What destroying the diagnostics raises: nothing unless a measurement was left in flight.
    std::u16string ReportOfDestruction()
    {
        // Deleted by hand: the unique_ptr's reset may not throw.
        ServiceDiagnostics* const released = diagnostics.release();
        return ReportOf([released] { delete released; });
    }

    std::unique_ptr<ServiceDiagnostics> diagnostics = std::make_unique<ServiceDiagnostics>(u"Scoped");
};

TEST_F(ScopedTimeCounterTest, AnIdOfItsOwnIsTheCounterNameAndASequenceNumber)
{
    std::u16string first;
    {
        ScopedTimeCounter const timing(*diagnostics, u"rtt");
        EXPECT_TRUE(timing.IsStarted());
        first = timing.GetMessageId();
        ASSERT_EQ(first.rfind(u"rtt:", 0), 0u);
        // Its ID is the one in flight: a hand-made start of it is refused.
        EXPECT_THROW(diagnostics->TimeCounterStart(u"rtt", first), Tarnwick::ServiceException);
    }
    EXPECT_TRUE(Sampled());
    ScopedTimeCounter const next(*diagnostics, u"rtt");
    EXPECT_NE(next.GetMessageId(), first);
    diagnostics->SetLevel(ServiceDiagnostics::SD_NONE);
    ScopedTimeCounter const off(*diagnostics, u"rtt");
    EXPECT_FALSE(off.IsStarted());
}

TEST_F(ScopedTimeCounterTest, TheScopeIsOneMeasurement)
{
    {
        ScopedTimeCounter const timing(*diagnostics, u"rtt", u"A");
        EXPECT_TRUE(timing.IsStarted());
        EXPECT_FALSE(Sampled());
    }
    EXPECT_TRUE(Sampled());
    EXPECT_EQ(ReportOfDestruction(), u"(no exception)");
}

TEST_F(ScopedTimeCounterTest, AnExceptionLeavingTheScopeStopsTheMeasurement)
{
    EXPECT_EQ(StandardErrorWhileUnwinding([this] {
        ScopedTimeCounter const timing(*diagnostics, u"rtt", u"A");
        throw std::runtime_error("the caller's own failure");
    }),
        "");
    EXPECT_TRUE(Sampled());
    // The ID is free again.
    EXPECT_NO_THROW(ScopedTimeCounter(*diagnostics, u"rtt", u"A"));
    EXPECT_EQ(ReportOfDestruction(), u"(no exception)");
}

TEST_F(ScopedTimeCounterTest, NothingStartsOrStopsWhileTheLevelLeavesTimeCountersOff)
{
    diagnostics->SetLevel(ServiceDiagnostics::SD_NUMBER_COUNTER);
    testing::internal::CaptureStderr();
    {
        ScopedTimeCounter const timing(*diagnostics, u"rtt", u"A");
        EXPECT_FALSE(timing.IsStarted());
        // Switched on meanwhile: a stop now would find no start and report it.
        diagnostics->SetLevel(ServiceDiagnostics::SD_ALL);
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_FALSE(Sampled());
}

TEST_F(ScopedTimeCounterTest, ALevelSwitchedOffDuringTheScopeEndsTheMeasurementWithoutASample)
{
    {
        ScopedTimeCounter const timing(*diagnostics, u"rtt", u"A");
        diagnostics->SetLevel(ServiceDiagnostics::SD_NONE);
    }
    EXPECT_FALSE(Sampled());
    EXPECT_EQ(ReportOfDestruction(), u"(no exception)");
}

TEST_F(ScopedTimeCounterTest, AFailingStopIsReportedOnStandardErrorInsteadOfThrown)
{
    std::string const stopNotFound = OnStandardError(StopNotFound(u"rtt", u"A"));
    testing::internal::CaptureStderr();
    {
        ScopedTimeCounter const timing(*diagnostics, u"rtt", u"A");
        diagnostics->TimeCounterStop(u"rtt", u"A"); // stopped by hand as well
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), stopNotFound);
    // While another exception unwinds, the process survives it too.
    EXPECT_EQ(StandardErrorWhileUnwinding([this] {
        ScopedTimeCounter const timing(*diagnostics, u"rtt", u"A");
        diagnostics->TimeCounterStop(u"rtt", u"A");
        throw std::runtime_error("the caller's own failure");
    }),
        stopNotFound);
}

TEST_F(ScopedTimeCounterTest, AnIdInFlightIsRefusedByTheConstructorAndKeepsItsMeasurement)
{
    ScopedTimeCounter const first(*diagnostics, u"rtt", u"A");
    EXPECT_EQ(
        ReportOf([this] { ScopedTimeCounter const second(*diagnostics, u"rtt", u"A"); }), StartExists(u"rtt", u"A"));
    EXPECT_FALSE(Sampled());
}

} // namespace
