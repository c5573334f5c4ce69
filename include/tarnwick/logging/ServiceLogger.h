#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/logging/LevelTypes.h>

#include <atomic>
#include <cstdarg>
#include <string>

namespace Tarnwick::Utils {

class LoggerManager;

/// A named logger, owned by the `LoggerManager` that made it, writing one
/// stamped line per message ("<stamp> <LEVEL> : <name> - <text>") to the
/// manager's log file or to standard output.
class TARNWICK_EXPORT ServiceLogger {
public:
    using enum LevelTypes;
    using enum OutputTypes;

    /// Enabled, at `LOG_WARN` until the manager or `SetLevelType` says otherwise.
    ServiceLogger(std::u16string name, LoggerManager* loggerManager, OutputTypes outputType);
    /// Member-wise: the copy refers to the same manager but is not registered with it.
    ServiceLogger(ServiceLogger const& other);
    ServiceLogger& operator=(ServiceLogger const& other);
    ~ServiceLogger();

    std::u16string GetName() const;
    LevelTypes GetLevelType() const noexcept { return m_LevelType.load(std::memory_order_relaxed); }
    /// Replaces the threshold until the manager's next propagation of its level settings.
    void SetLevelType(LevelTypes levelType) noexcept { m_LevelType.store(levelType, std::memory_order_relaxed); }
    OutputTypes GetOutputType() const noexcept { return m_OutputType; }
    void SetEnableLogging(bool enable) noexcept { m_EnableLogging.store(enable, std::memory_order_relaxed); }

    // The six entry points: a printf-style wide format (%s wide, %S narrow)
    // and its arguments. A message below the threshold, or with logging
    // switched off here or in the manager, costs a few loads and compares.
    // Callers holding a std::u16string pass its c_str().
    void Trace(char16_t const* format, ...);
    void Debug(char16_t const* format, ...);
    void Information(char16_t const* format, ...);
    void Warning(char16_t const* format, ...);
    void Error(char16_t const* format, ...);
    void Fatal(char16_t const* format, ...);

private:
    LoggerManager* GetLoggerManager() const noexcept { return m_LoggerManager; }
    bool IsWritten(LevelTypes level) const noexcept;
    /// Writes one message that passed the gate.
    void printMessage(LevelTypes level, char16_t const* format, std::va_list args);

    LoggerManager* m_LoggerManager;
    // Read without a lock by every message while the manager may change them.
    std::atomic<LevelTypes> m_LevelType;
    std::u16string m_Name;
    OutputTypes m_OutputType;
    std::atomic<bool> m_EnableLogging;
};

} // namespace Tarnwick::Utils
