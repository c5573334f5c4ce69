#include <tarnwick/diagnostics/DiagnosticsManager.h>

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/threading/MutexLock.h>

#include "core/ClassName.h"
#include "core/LevelSettings.h"
#include "core/Utf16.h"
#include "diagnostics/MetricsWriter.h"
#include "diagnostics/Report.h"
#include "platform/AtomicFile.h"
#include "threading/GuardedSection.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace Tarnwick::Diagnostics {

namespace {
// The line numbers are part of the exceptions' interface.
constexpr std::int32_t kGetServiceDiagnosticsLockLine = 31;
constexpr std::int32_t kSetLevelTypeLockLine = 69;
constexpr std::int32_t kMetricsLockLine = 88;
constexpr std::int32_t kMetricsFileLine = 104;
} // namespace

DiagnosticsManager::DiagnosticsManager()
    : m_LevelSettings(std::make_unique<Levels>())
{ }

void DiagnosticsManager::Settle(
    ServiceDiagnostics& diagnostics, ServiceDiagnostics::DiagnosticsLevel const* level) noexcept
{
    diagnostics.m_LevelOverridden.store(false);
    if (level != nullptr) {
        diagnostics.m_Level.store(*level, std::memory_order_relaxed);
    }
}

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
    return Find(name);
}

ServiceDiagnostics* DiagnosticsManager::Find(std::u16string const& name)
{
    auto entry = m_Diagnostics.find(name);
    if (entry == m_Diagnostics.end()) {
        entry = m_Diagnostics.emplace(name, std::make_unique<ServiceDiagnostics>(name)).first;
        ServiceDiagnostics& added = *entry->second;
        try {
            // The map's key is the name's lasting text.
            added.m_Slot = m_LevelSettings->Add(added, entry->first, Settle);
        } catch (...) {
            m_Diagnostics.erase(entry);
            throw;
        }
        added.m_LevelOverrides = &m_LevelSettings->Overrides();
        m_LevelSettings->Propagate(Settle);
    }
    return entry->second.get();
}

void DiagnosticsManager::SetLevelType(std::u16string const& name, ServiceDiagnostics::DiagnosticsLevel level)
{
    Threading::MutexLock const lock(m_CriticalSection);
    Tarnwick::Detail::CheckLock(lock, *this, kSetLevelTypeLockLine);
    m_LevelSettings->Set(name, level, Settle);
    Find(name);
    m_LevelSettings->Propagate(Settle);
}

std::string DiagnosticsManager::MetricsText() const
{
    // Diagnostics objects are never removed before the manager goes, so the
    // listed pointers stay valid after the mutex is released.
    std::vector<ServiceDiagnostics const*> listed;
    {
        Threading::MutexLock const lock(m_CriticalSection);
        Tarnwick::Detail::CheckLock(lock, *this, kMetricsLockLine);
        listed.reserve(m_Diagnostics.size());
        for (auto const& entry : m_Diagnostics) {
            listed.push_back(entry.second.get());
        }
    }
    Detail::MetricsSnapshot snapshot;
    for (ServiceDiagnostics const* diagnostics : listed) {
        snapshot.Add(*diagnostics);
    }
    std::string text;
    snapshot.AppendTo(text);
    return text;
}

void DiagnosticsManager::WriteMetrics(std::ostream& out) const
{
    std::string const text = MetricsText();
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void DiagnosticsManager::WriteMetricsFile(std::string const& path) const
{
    std::optional<Platform::FileFailure> const failure = Platform::ReplaceFile(path, MetricsText());
    if (failure) {
        throw ServiceException(u"WriteMetricsFile() - cannot write " + Tarnwick::Detail::DecodeUtf8(path) + u" ("
                + Tarnwick::Detail::DecodeUtf8(Platform::StepText(failure->m_Step)) + u"): "
                + Tarnwick::Detail::DecodeUtf8(Platform::ErrorText(failure->m_Error)),
            Tarnwick::Detail::ClassNameOf(*this), kMetricsFileLine);
    }
}

} // namespace Tarnwick::Diagnostics
