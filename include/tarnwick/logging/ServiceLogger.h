#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/logging/LevelTypes.h>
#include <tarnwick/logging/LogArgument.h>

#include <array>
#include <atomic>
#include <cstddef>
#include <string>
#include <type_traits>

namespace Tarnwick::Detail {
class LevelOverrides;
} // namespace Tarnwick::Detail

namespace Tarnwick::Utils {

class LoggerManager;

/// A named logger, owned by the `LoggerManager` that made it, writing one
/// stamped line per message (`<stamp> <LEVEL> : <name> - <text>`) to the
/// manager's log file or to standard output.
class TARNWICK_EXPORT ServiceLogger {
public:
    using enum LevelTypes;
    using enum OutputTypes;

    /// Enabled, at `LOG_WARN` until the manager or `SetLevelType` says otherwise.
    ServiceLogger(std::u16string name, LoggerManager* loggerManager, OutputTypes outputType);
    /// Member-wise: the copy refers to the same manager but is not registered with it.
    ServiceLogger(ServiceLogger const& other);
    /// Member-wise, as the copy constructor.
    ServiceLogger& operator=(ServiceLogger const& other);
    ~ServiceLogger();

    /// The name written in each line after the level.
    std::u16string GetName() const;
    /// The threshold: messages of a lower level are dropped.
    LevelTypes GetLevelType() const noexcept { return m_LevelType.load(std::memory_order_relaxed); }
    /// Replaces the threshold until the manager next applies its level settings (when
    /// it makes a logger or a setting changes); only where some setting matches this
    /// logger's name is the threshold then replaced. Any thread.
    void SetLevelType(LevelTypes levelType);
    /// The output type given at construction; only `OUTPUT_FILE` (1) writes to the file.
    OutputTypes GetOutputType() const noexcept { return m_OutputType; }
    /// Switches this logger alone on or off. Any thread.
    void SetEnableLogging(bool enable) noexcept { m_EnableLogging.store(enable, std::memory_order_relaxed); }

    /// The six entry points, one per level (`Trace` for LOG_TRACE ... `Fatal` for
    /// LOG_FATAL): a printf-style wide format and its arguments, which are
    /// passed on tagged with their kinds (`LogArgument`), so that each directive
    /// prints only an argument it suits: a wide or narrow text under %s or %S, an
    /// integer of any width under d, i, o, u, x, X, a character under %c or %C,
    /// a floating-point value under e, f, g, a, a pointer under %p. A directive
    /// whose argument is missing or of another kind is written as it stands in
    /// the format. A precision bounds only how much of a %s or %S text is
    /// written, at any size, as in printf; a width, or the precision of a
    /// number, beyond 1,048,576 counts as 1,048,576, so that one message cannot
    /// take unbounded memory. The threshold and the logger's switch are tested here, in the
    /// caller, so a suppressed message costs two loads and a compare. A format
    /// held in a std::u16string is taken by reference, so it costs no copy
    /// either. The first file message after construction or
    /// `LoggerManager::Close` opens the log file and throws as
    /// `LoggerManager::OpenFileName` does.
    /// @{
    template <class... Args> void Trace(char16_t const* format, Args... args)
    {
        Log(Utils::LOG_TRACE, format, args...);
    }
    template <class... Args> void Trace(std::u16string const& format, Args... args)
    {
        Log(Utils::LOG_TRACE, format.c_str(), args...);
    }
    template <class... Args> void Debug(char16_t const* format, Args... args)
    {
        Log(Utils::LOG_DEBUG, format, args...);
    }
    template <class... Args> void Debug(std::u16string const& format, Args... args)
    {
        Log(Utils::LOG_DEBUG, format.c_str(), args...);
    }
    template <class... Args> void Information(char16_t const* format, Args... args)
    {
        Log(Utils::LOG_INFO, format, args...);
    }
    template <class... Args> void Information(std::u16string const& format, Args... args)
    {
        Log(Utils::LOG_INFO, format.c_str(), args...);
    }
    template <class... Args> void Warning(char16_t const* format, Args... args)
    {
        Log(Utils::LOG_WARN, format, args...);
    }
    template <class... Args> void Warning(std::u16string const& format, Args... args)
    {
        Log(Utils::LOG_WARN, format.c_str(), args...);
    }
    template <class... Args> void Error(char16_t const* format, Args... args)
    {
        Log(Utils::LOG_ERROR, format, args...);
    }
    template <class... Args> void Error(std::u16string const& format, Args... args)
    {
        Log(Utils::LOG_ERROR, format.c_str(), args...);
    }
    template <class... Args> void Fatal(char16_t const* format, Args... args)
    {
        Log(Utils::LOG_FATAL, format, args...);
    }
    template <class... Args> void Fatal(std::u16string const& format, Args... args)
    {
        Log(Utils::LOG_FATAL, format.c_str(), args...);
    }
    /// @}

private:
    // Registers its loggers and gives them the level of their settings.
    friend class LoggerManager;

    template <class... Args> void Log(LevelTypes level, char16_t const* format, Args... args)
    {
        // An object such as a std::u16string_view has no kind a directive
        // prints, so it is refused here.
        static_assert((std::is_scalar_v<Args> && ...),
            "log arguments are numbers, characters, texts and pointers: pass a string's c_str()");
        if (level >= m_LevelType.load(std::memory_order_relaxed) && m_EnableLogging.load(std::memory_order_relaxed)) {
            std::array<LogArgument, sizeof...(Args)> const arguments {LogArgument(args)...};
            WriteArguments(level, format, arguments.data(), arguments.size());
        }
    }
    /// A message that passed the logger's own gate, with its `count` tagged
    /// arguments: the manager's switch is tested, then the line is composed
    /// and written.
    void WriteArguments(LevelTypes level, char16_t const* format, LogArgument const* arguments, std::size_t count);
    /// The same for programs compiled against the earlier form of the entry
    /// points, which pass C variadic arguments: each directive reads the type
    /// that its conversion and length modifier name, as it always did.
    void Write(LevelTypes level, char16_t const* format, ...);
    LoggerManager* GetLoggerManager() const noexcept { return m_LoggerManager; }
    /// Writes one message that passed the gate.
    void printMessage(LevelTypes level, char16_t const* format, LogArgument const* arguments, std::size_t count);

    LoggerManager* m_LoggerManager;
    // Read without a lock by every message while the manager may change them.
    std::atomic<LevelTypes> m_LevelType;
    std::u16string m_Name;
    OutputTypes m_OutputType;
    std::atomic<bool> m_EnableLogging;
    // Where a logger registered with its manager notes, once until the
    // manager's next application, that its level was set directly.
    Detail::LevelOverrides* m_LevelOverrides = nullptr;
    std::size_t m_Slot = 0;
    std::atomic<bool> m_LevelOverridden = false;
};

} // namespace Tarnwick::Utils
