#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/logging/LevelTypes.h>
#include <tarnwick/logging/ServiceLogger.h>
#include <tarnwick/threading/Mutex.h>

#include <atomic>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace Tarnwick::Detail {
template <class Member, class Level> class LevelSettings;
} // namespace Tarnwick::Detail

namespace Tarnwick::Utils {

/// Owns the loggers of one logging context, their level settings by name
/// pattern, and the one log file, "./Logs/" + its name, that its file loggers share.
/// Not copyable: a copy would share the loggers, the stream and the mutex.
class TARNWICK_EXPORT LoggerManager {
public:
    /// Touches no file: the log file is opened by the first file message.
    LoggerManager(std::u16string logFileName);
    LoggerManager(LoggerManager const&) = delete;
    LoggerManager& operator=(LoggerManager const&) = delete;
    ~LoggerManager();

    /// Used the next time the file is opened (after `Close`); an open file stays as it is.
    void SetLogFileName(std::u16string logFileName);
    /// Switches every logger of this manager on or off at once; each logger's own
    /// switch and threshold apply as well. Any thread.
    void SetGlobalEnableLogging(bool enable) noexcept
    {
        m_GlobalEnableLogging.store(enable, std::memory_order_relaxed);
    }
    /// The switch of `SetGlobalEnableLogging`; on initially.
    bool GetGlobalEnableLogging() const noexcept { return m_GlobalEnableLogging.load(std::memory_order_relaxed); }
    /// The open log stream or null; meant to be read holding `GetCriticalSection()`.
    std::FILE* GetFN() const noexcept { return m_File.get(); }
    /// The recursive mutex under which every file line is written and the file is opened or
    /// closed. Making loggers and changing settings take another one, so that they never
    /// hold up the file lines.
    Threading::Mutex& GetCriticalSection() noexcept { return m_CriticalSection; }
    /// Creates "./Logs" if needed and opens "./Logs/" + the name, truncated, unless the file is
    /// open already. Holds `GetCriticalSection()` meanwhile (the mutex is recursive).
    /// Throws "Opening of the log file is failed." (line 142) when the file cannot be
    /// opened (or the name holds the unit 0).
    void OpenFileName();
    /// Deletes every logger, forgets the level settings and closes the file; the manager stays usable.
    void Close();

    /// The logger of that name, made on first request at `LOG_WARN` with the level
    /// settings applied; valid until `Close`, owned by the manager. Throws "The logger is
    /// different type that is required." (source "ServiceLogger::GetLogger", line 75)
    /// when it exists with another output type.
    ServiceLogger* GetLogger(std::u16string name, OutputTypes outputType);
    /// Sets the level of every logger whose name contains `name` (the empty name: all),
    /// now and for loggers made later; settings with fewer ':' are applied first,
    /// then in code-unit order, and the last match wins. Making a logger and changing
    /// a setting both apply the settings to every logger, so that a level set on a
    /// logger directly lasts until then and is then replaced only where a setting
    /// matches its name; either costs time linear in the loggers or settings it
    /// concerns, not in their product.
    void SetLevelType(std::u16string const& name, LevelTypes levelType);
    /// "TRACE" ... "NONE" (exact spelling) to its `LevelTypes` value. Any other name throws
    /// `"GetLevelType() - type name <name> unknown"` (source "ServiceLogger", line 130).
    static LevelTypes GetLevelType(std::u16string const& levelName);

private:
    struct FileCloser {
        void operator()(std::FILE* file) const noexcept;
    };

    friend class ServiceLogger;

    /// Gives a logger the level its settings decide (none: its own stays) and
    /// forgets that its level was set directly.
    static void Settle(ServiceLogger& logger, LevelTypes const* level) noexcept;

    /// `OpenFileName` for a caller that holds the mutex already.
    void OpenFileNameLocked();

    // The settings and what they decide for each logger, under m_SetupMutex.
    std::unique_ptr<Detail::LevelSettings<ServiceLogger, LevelTypes>> m_LevelSettings;
    std::map<std::u16string, std::unique_ptr<ServiceLogger>> m_Loggers;
    std::unique_ptr<std::FILE, FileCloser> m_File;
    std::u16string m_LogFileName;
    Threading::Mutex m_CriticalSection;
    // Guards the loggers and the settings; taken before m_CriticalSection where both are.
    Threading::Mutex m_SetupMutex;
    std::atomic<bool> m_GlobalEnableLogging;
};

} // namespace Tarnwick::Utils
