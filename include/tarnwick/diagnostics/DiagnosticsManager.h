#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/diagnostics/ServiceDiagnostics.h>
#include <tarnwick/threading/Mutex.h>

#include <map>
#include <memory>
#include <string>

namespace Tarnwick::Diagnostics {

/// Owns the `ServiceDiagnostics` of a process by name and applies level
/// settings to them by name pattern: a setting applies to every diagnostics
/// object whose name contains the pattern; settings are applied from the
/// fewest ':' characters to the most (then in code-unit order), so the last
/// match wins and the empty pattern is a default.
class TARNWICK_EXPORT DiagnosticsManager {
public:
    /// No diagnostics objects and no settings yet.
    DiagnosticsManager();
    DiagnosticsManager(DiagnosticsManager const&) = delete;
    DiagnosticsManager& operator=(DiagnosticsManager const&) = delete;
    /// Releases every diagnostics object, then throws the first report of a
    /// time counter with measurements in flight (see `~ServiceDiagnostics`).
    ~DiagnosticsManager() noexcept(false);

    /// The diagnostics of that name, created on first request; owned by the
    /// manager and valid until its destruction.
    ServiceDiagnostics* GetServiceDiagnostics(std::u16string const& name);
    /// Adds or replaces the setting for `name`, creates the diagnostics of
    /// exactly that name if needed, and applies all settings.
    void SetLevelType(std::u16string const& name, ServiceDiagnostics::DiagnosticsLevel level);

private:
    /// Fewer ':' characters first, then plain code-unit order.
    struct LevelSettingOrder {
        bool operator()(std::u16string const& left, std::u16string const& right) const;
    };

    void PropagateLevels();

    std::map<std::u16string, std::unique_ptr<ServiceDiagnostics>> m_Diagnostics;
    Threading::Mutex m_CriticalSection;
    std::map<std::u16string, ServiceDiagnostics::DiagnosticsLevel, LevelSettingOrder> m_LevelSettings;
};

} // namespace Tarnwick::Diagnostics
