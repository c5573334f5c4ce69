#include "core/LevelSettingsModel.h"

#include <tarnwick/diagnostics/DiagnosticsManager.h>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace TarnwickTest {
namespace {

using Tarnwick::Diagnostics::DiagnosticsManager;
using Tarnwick::Diagnostics::ServiceDiagnostics;
using Level = ServiceDiagnostics::DiagnosticsLevel;

// The manager's side of a random run; a manager has no Close, so none is made.
class DiagnosticsRun {
public:
    void Add(std::u16string const& name) { m_Manager.GetServiceDiagnostics(name); }
    void Set(std::u16string const& pattern, Level level) { m_Manager.SetLevelType(pattern, level); }
    void Direct(std::u16string const& name, Level level) { m_Manager.GetServiceDiagnostics(name)->SetLevel(level); }
    void Clear() { }
    Level LevelOf(std::u16string const& name) { return m_Manager.GetServiceDiagnostics(name)->GetLevelType(); }

private:
    DiagnosticsManager m_Manager;
};

TEST(DiagnosticsLevelSettingsTest, RandomRunsGiveTheLevelsOfApplyingEverySettingToEveryDiagnostics)
{
    for (std::uint32_t seed = 1; seed <= 300; ++seed) {
        DiagnosticsRun run;
        CompareRandomRun(
            run, LevelRunShape {ServiceDiagnostics::SD_ALL + 1, true, false}, ServiceDiagnostics::SD_NONE, seed, 80);
        if (HasFatalFailure()) {
            return;
        }
    }
}

TEST(DiagnosticsLevelSettingsTest, DiagnosticsMadeOutsideAManagerKeepTheirOwnLevel)
{
    DiagnosticsManager manager;
    manager.SetLevelType(u"", ServiceDiagnostics::SD_ALL);
    ServiceDiagnostics alone(u"Alone");
    alone.SetLevel(ServiceDiagnostics::SD_SIZE_COUNTER);
    manager.GetServiceDiagnostics(u"Alone"); // the manager's namesake, not this one
    EXPECT_EQ(alone.GetLevelType(), ServiceDiagnostics::SD_SIZE_COUNTER);
}

} // namespace
} // namespace TarnwickTest
