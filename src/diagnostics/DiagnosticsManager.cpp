#include <tarnwick/diagnostics/DiagnosticsManager.h>

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/threading/MutexLock.h>

#include "core/ClassName.h"
#include "diagnostics/Report.h"
#include "threading/GuardedSection.h"

#include <algorithm>
#include <optional>

namespace Tarnwick::Diagnostics {

namespace {
// The line numbers are part of the exceptions' interface.
constexpr std::int32_t kGetServiceDiagnosticsLockLine = 31;
constexpr std::int32_t kSetLevelTypeLockLine = 69;
} // namespace

bool DiagnosticsManager::LevelSettingOrder::operator()(std::u16string const& left, std::u16string const& right) const
{
    auto const leftColons = std::count(left.begin(), left.end(), u':');
    auto const rightColons = std::count(right.begin(), right.end(), u':');
    if (leftColons != rightColons) {
        return leftColons < rightColons;
    }
    return left < right;
}

DiagnosticsManager::DiagnosticsManager() = default;

DiagnosticsManager::~DiagnosticsManager() noexcept(false)
{
    std::optional<ServiceException> firstReport;
    for (auto& entry : m_Diagnostics) {
        Detail::ReleaseOwned(entry.second.release(), firstReport);
    }
    m_Diagnostics.clear();
    if (firstReport) {
        throw *firstReport;
    }
}

ServiceDiagnostics* DiagnosticsManager::GetServiceDiagnostics(std::u16string const& name)
{
    Threading::MutexLock const lock(m_CriticalSection);
    Tarnwick::Detail::CheckLock(lock, *this, kGetServiceDiagnosticsLockLine);
    auto entry = m_Diagnostics.find(name);
    if (entry == m_Diagnostics.end()) {
        entry = m_Diagnostics.emplace(name, std::make_unique<ServiceDiagnostics>(name)).first;
        PropagateLevels();
    }
    return entry->second.get();
}

void DiagnosticsManager::SetLevelType(std::u16string const& name, ServiceDiagnostics::DiagnosticsLevel level)
{
    Threading::MutexLock const lock(m_CriticalSection);
    Tarnwick::Detail::CheckLock(lock, *this, kSetLevelTypeLockLine);
    m_LevelSettings.insert_or_assign(name, level);
    GetServiceDiagnostics(name); // re-enters the mutex this thread holds
    PropagateLevels();
}

void DiagnosticsManager::PropagateLevels()
{
    for (auto const& [pattern, level] : m_LevelSettings) {
        for (auto const& [name, diagnostics] : m_Diagnostics) {
            if (name.find(pattern) != std::u16string::npos) {
                diagnostics->SetLevel(level);
            }
        }
    }
}

} // namespace Tarnwick::Diagnostics
