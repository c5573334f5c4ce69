#include "core/LevelSettingsModel.h"

#include <tarnwick/logging/LoggerManager.h>
#include <tarnwick/logging/ServiceLogger.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace TarnwickTest {
namespace {

using namespace Tarnwick::Utils;

// The manager's side of a random run (no file is touched: nothing is logged).
class LoggerRun {
public:
    void Add(std::u16string const& name) { m_Manager.GetLogger(name, OUTPUT_CONSOLE); }
    void Set(std::u16string const& pattern, LevelTypes level) { m_Manager.SetLevelType(pattern, level); }
    void Direct(std::u16string const& name, LevelTypes level)
    {
        m_Manager.GetLogger(name, OUTPUT_CONSOLE)->SetLevelType(level);
    }
    void Clear() { m_Manager.Close(); }
    LevelTypes LevelOf(std::u16string const& name) { return m_Manager.GetLogger(name, OUTPUT_CONSOLE)->GetLevelType(); }

private:
    LoggerManager m_Manager {u"unused.log"};
};

TEST(LoggerLevelSettingsTest, RandomRunsGiveTheLevelsOfApplyingEverySettingToEveryLogger)
{
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        LoggerRun run;
        CompareRandomRun(run, LevelRunShape {LevelTypeCount, false, true}, LOG_WARN, seed, 80);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST(LoggerLevelSettingsTest, CopiesAreNotRegisteredAndAssignmentKeepsTheTargetRegistered)
{
    LoggerManager manager(u"unused.log");
    manager.SetLevelType(u"Net", LOG_DEBUG);
    ServiceLogger* const logger = manager.GetLogger(u"Net.Rx", OUTPUT_CONSOLE);
    {
        // A copy's level changes and its end touch nothing the manager keeps.
        ServiceLogger copy(*logger);
        copy.SetLevelType(LOG_FATAL);
    }
    manager.GetLogger(u"Other", OUTPUT_CONSOLE);
    EXPECT_EQ(logger->GetLevelType(), LOG_DEBUG);

    ServiceLogger source(u"Elsewhere", &manager, OUTPUT_CONSOLE);
    source.SetLevelType(LOG_ERROR);
    *logger = source;
    EXPECT_EQ(logger->GetLevelType(), LOG_ERROR);
    manager.GetLogger(u"Third", OUTPUT_CONSOLE); // a propagation: the setting applies again
    EXPECT_EQ(logger->GetLevelType(), LOG_DEBUG);
}

// Levels set directly on some threads while another makes loggers and
// settings: once all are done, the next application leaves every logger at
// the level its settings decide.
TEST(LoggerLevelSettingsTest, DirectLevelsFromThreadsAreReplacedByTheNextApplication)
{
    LoggerManager manager(u"unused.log");
    manager.SetLevelType(u"", LOG_ERROR);
    std::vector<ServiceLogger*> loggers;
    for (int i = 0; i < 64; ++i) {
        loggers.push_back(manager.GetLogger(u"Net::" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)) + u"::"
                + std::u16string(static_cast<std::size_t>(i / 26 + 1), u'x'),
            OUTPUT_CONSOLE));
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&loggers, t] {
            for (int round = 0; round < 2000; ++round) {
                loggers[static_cast<std::size_t>((round * 7 + t) % 64)]->SetLevelType(LOG_TRACE);
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        manager.SetLevelType(u"::" + std::u16string(1, static_cast<char16_t>(u'a' + i % 26)), LOG_INFO);
        manager.GetLogger(u"Extra" + std::u16string(static_cast<std::size_t>(i + 1), u'y'), OUTPUT_CONSOLE);
    }
    for (auto& thread : threads) {
        thread.join();
    }
    manager.GetLogger(u"Last", OUTPUT_CONSOLE);
    for (ServiceLogger* const logger : loggers) {
        EXPECT_EQ(logger->GetLevelType(), LOG_INFO) << logger->GetName().size();
    }
}

} // namespace
} // namespace TarnwickTest
