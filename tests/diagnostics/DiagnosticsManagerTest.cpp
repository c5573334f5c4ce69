#include "core/LevelSettingsModel.h"
#include "diagnostics/DiagnosticsTestSupport.h"

#include <tarnwick/diagnostics/DiagnosticsManager.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

using namespace DiagnosticsTest;
using Tarnwick::Diagnostics::DiagnosticsManager;
using Tarnwick::Diagnostics::ServiceDiagnostics;
using Level = ServiceDiagnostics::DiagnosticsLevel;
using enum Level;

namespace {

TEST(DiagnosticsManagerTest, SameNameSameObjectCreatedOff)
{
    DiagnosticsManager manager;
    ServiceDiagnostics* const server = manager.GetServiceDiagnostics(u"Server");
    ASSERT_NE(server, nullptr);
    EXPECT_EQ(manager.GetServiceDiagnostics(u"Server"), server);
    EXPECT_NE(manager.GetServiceDiagnostics(u"server"), server);
    EXPECT_EQ(server->GetName(), u"Server");
    EXPECT_EQ(server->GetLevelType(), SD_NONE);
}

TEST(DiagnosticsManagerTest, SettingCreatesItsNamesakeAndReachesLaterDiagnostics)
{
    DiagnosticsManager manager;
    manager.SetLevelType(u"Server", SD_ALL);
    ServiceDiagnostics* const server = manager.GetServiceDiagnostics(u"Server");
    EXPECT_EQ(server->GetLevelType(), SD_ALL);
    EXPECT_TRUE(server->NumberCounterIncrease(u"calls"));
    EXPECT_EQ(manager.GetServiceDiagnostics(u"Server.Db")->GetLevelType(), SD_ALL);
    EXPECT_EQ(manager.GetServiceDiagnostics(u"Client")->GetLevelType(), SD_NONE);
}

// The levels of the shared pattern examples, SD_NONE being where diagnostics start.
constexpr Level kPatternLevels[] = {SD_NUMBER_COUNTER, SD_TIME_COUNTER, SD_SIZE_COUNTER, SD_ALL};

Level PatternLevel(int index)
{
    return TarnwickTest::LevelOfIndex(index, SD_NONE, kPatternLevels);
}

// The settings give the same levels whether the diagnostics exist before the
// settings are made or are created afterwards.
class PatternTest : public testing::TestWithParam<TarnwickTest::PatternCase> { };

TEST_P(PatternTest, LastMatchInLevelSettingOrderWins)
{
    TarnwickTest::PatternCase const& c = GetParam();
    for (bool const createFirst : {true, false}) {
        SCOPED_TRACE(createFirst ? "diagnostics created before the settings" : "created after");
        DiagnosticsManager manager;
        if (createFirst) {
            for (auto const& [name, level] : c.members) {
                manager.GetServiceDiagnostics(name);
            }
        }
        for (auto const& [pattern, level] : c.settings) {
            manager.SetLevelType(pattern, PatternLevel(level));
        }
        for (auto const& [name, level] : c.members) {
            EXPECT_EQ(manager.GetServiceDiagnostics(name)->GetLevelType(), PatternLevel(level))
                << std::string(name.begin(), name.end());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Examples, PatternTest, testing::ValuesIn(TarnwickTest::PatternCases()), TarnwickTest::PatternCaseName);

TEST(DiagnosticsManagerTest, SettingNoneStopsUpdatesAndKeepsTheValues)
{
    DiagnosticsManager manager;
    manager.SetLevelType(u"Svc", SD_ALL);
    ServiceDiagnostics* const svc = manager.GetServiceDiagnostics(u"Svc.Worker");
    svc->NumberCounterReset(u"jobs", 9);
    svc->SizeCounterUpdate(u"bytes", 100);
    manager.SetLevelType(u"Svc", SD_NONE);
    EXPECT_FALSE(svc->NumberCounterIncrease(u"jobs"));
    EXPECT_FALSE(svc->SizeCounterUpdate(u"bytes", 1));
    EXPECT_EQ(svc->NumberCounterGetCount(u"jobs"), 9);
    EXPECT_EQ(svc->SizeCounterGetMin(u"bytes"), 100u);
}

TEST(DiagnosticsManagerTest, DirectLevelSurvivesUntilAMatchingSettingIsApplied)
{
    DiagnosticsManager manager;
    ServiceDiagnostics* const lone = manager.GetServiceDiagnostics(u"Lone");
    lone->SetLevel(SD_TIME_COUNTER);
    manager.SetLevelType(u"Other", SD_ALL); // propagates, matches nothing here
    EXPECT_EQ(lone->GetLevelType(), SD_TIME_COUNTER);
    manager.SetLevelType(u"one", SD_SIZE_COUNTER);
    EXPECT_EQ(lone->GetLevelType(), SD_SIZE_COUNTER);
}

TEST(DiagnosticsManagerTest, DestructionReleasesEveryDiagnosticsThenPassesTheFirstReportOn)
{
    auto* manager = new DiagnosticsManager;
    manager->SetLevelType(u"", SD_ALL);
    manager->GetServiceDiagnostics(u"A")->TimeCounterStart(u"rtt", u"1");
    manager->GetServiceDiagnostics(u"B")->NumberCounterIncrease(u"calls");
    ServiceDiagnostics* const c = manager->GetServiceDiagnostics(u"C");
    c->TimeCounterStart(u"rtt", u"1");
    c->TimeCounterStart(u"rtt", u"2");
    c->TimeCounterStart(u"rtt", u"3");

    testing::internal::CaptureStderr();
    EXPECT_EQ(ReportOf([&] { delete manager; }), LeftInMap(u"1"));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), OnStandardError(LeftInMap(u"3")));
}

TEST(DiagnosticsManagerTest, DestructionDuringAnotherExceptionDoesNotEndTheProcess)
{
    EXPECT_EQ(StandardErrorWhileUnwinding([] {
        DiagnosticsManager manager;
        manager.SetLevelType(u"Svc", SD_TIME_COUNTER);
        manager.GetServiceDiagnostics(u"Svc")->TimeCounterStart(u"rtt", u"A");
        manager.GetServiceDiagnostics(u"Svc")->TimeCounterStart(u"rtt", u"B");
        throw std::runtime_error("the caller's own failure");
    }),
        OnStandardError(LeftInMap(u"2")));
}

TEST(DiagnosticsManagerTest, ThreadsFetchSetAndCountTogether)
{
    DiagnosticsManager manager;
    std::atomic<int> counted {0};
    RunThreads(4, [&](int t) {
        for (int i = 0; i < 300; ++i) {
            if (t == 0) {
                manager.SetLevelType(u"Pool", i % 3 ? SD_ALL : SD_NUMBER_COUNTER);
            }
            ServiceDiagnostics* const pool = manager.GetServiceDiagnostics(u"Pool::" + std::u16string(1, u'a' + i % 5));
            counted += pool->NumberCounterIncrease(u"jobs") ? 1 : 0;
        }
    });
    int total = 0;
    for (char16_t suffix = u'a'; suffix < u'a' + 5; ++suffix) {
        total += manager.GetServiceDiagnostics(u"Pool::" + std::u16string(1, suffix))->NumberCounterGetCount(u"jobs");
    }
    EXPECT_EQ(total, counted.load());
}

} // namespace
