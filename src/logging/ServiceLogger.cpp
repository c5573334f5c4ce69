#include <tarnwick/logging/ServiceLogger.h>

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/logging/LoggerManager.h>
#include <tarnwick/stubproxy/TimeStamp.h>
#include <tarnwick/threading/MutexLock.h>

#include "core/ClassName.h"
#include "core/Decimal.h"
#include "core/LevelSettings.h"
#include "core/Utf16.h"
#include "logging/WideFormat.h"
#include "threading/GuardedSection.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <span>
#include <vector>

namespace Tarnwick::Utils {

namespace {

// The line of the guarded section of a file message; part of the exceptions'
// interface. The file is opened, and the line written and flushed, in one
// section, checked with the line of the first.
constexpr std::int32_t kLineOpenLock = 81;

// A console line keeps at most this many code units of the composed line.
constexpr std::size_t kConsoleLineLimit = 1999;

constexpr std::uint64_t kMicroSecondsPerSecond = 1000000;

// A thread's buffers for the line being written, reused from message to message.
struct LineBuffers {
    std::u16string line;
    std::string bytes;
    // The stamp text of the second last stamped on this thread: a message in
    // the same second only rewrites the microseconds, with no local-time
    // conversion. Hours, minutes and seconds have at most two digits, so the
    // six microsecond digits follow the first '.'.
    std::uint64_t stampSecond = std::numeric_limits<std::uint64_t>::max();
    std::u16string stampText;
    std::size_t microSecondAt = 0;

    /// Starts the line with the text of the current local time, then " ",
    /// `level`, " : ", `name` and " - ", all written as they are.
    void StartLine(std::u16string_view level, std::u16string_view name)
    {
        std::uint64_t const now = DataTypes::TimeStamp::GetCurrentUTime();
        std::uint64_t const second = now / kMicroSecondsPerSecond;
        if (second != stampSecond) {
            stampText = DataTypes::TimeStamp(second * kMicroSecondsPerSecond).Serialize();
            microSecondAt = stampText.find(u'.') + 1;
            stampSecond = second;
        }
        // The pieces are put side by side in place, with one size change.
        std::u16string_view const pieces[] = {stampText, std::u16string_view(u" ", 1), level,
            std::u16string_view(u" : ", 3), name, std::u16string_view(u" - ", 3)};
        std::size_t size = 0;
        for (std::u16string_view const piece : pieces) {
            size += piece.size();
        }
        line.resize(size);
        char16_t* out = line.data();
        for (std::u16string_view const piece : pieces) {
            std::memcpy(out, piece.data(), piece.size() * sizeof(char16_t));
            out += piece.size();
        }
        Tarnwick::Detail::WriteFixedDigits<6>(
            line.data() + microSecondAt, static_cast<std::uint32_t>(now % kMicroSecondsPerSecond));
    }

    /// The UTF-8 form of `text`, converted into room that is only ever grown
    /// (at most three bytes per unit), so a line costs no clearing or filling.
    std::string_view Utf8(std::u16string_view text)
    {
        std::size_t const room = text.size() * 3;
        if (bytes.size() < room) {
            bytes.resize(room);
        }
        char* const end = Tarnwick::Detail::EncodeUtf8(text, bytes.data());
        return std::string_view(bytes.data(), static_cast<std::size_t>(end - bytes.data()));
    }

    // A rare huge line does not keep its memory for the thread's lifetime.
    void Release()
    {
        constexpr std::size_t kKept = 64 * 1024;
        if (line.capacity() > kKept) {
            std::u16string().swap(line);
        }
        if (bytes.capacity() > kKept) {
            std::string().swap(bytes);
        }
    }
};

// Initial-exec: the buffers are reached without a call on every message.
[[gnu::tls_model("initial-exec")]] thread_local LineBuffers t_Buffers;

// Keeps a va_list ended on every way out of an entry point.
class ArgumentsEnd {
public:
    explicit ArgumentsEnd(std::va_list& args) noexcept
        : m_Args(args)
    { }
    ArgumentsEnd(ArgumentsEnd const&) = delete;
    ArgumentsEnd& operator=(ArgumentsEnd const&) = delete;
    ~ArgumentsEnd() { va_end(m_Args); }

private:
    std::va_list& m_Args;
};

/// Writes a composed line (stamp to line feed) of `logger`: to the file,
/// opened by `open` if need be, written and flushed in one section under the
/// manager's lock; or to standard output.
template <class Open>
void WriteLine(ServiceLogger const& logger, LoggerManager& manager, LineBuffers& buffers, Open open)
{
    std::u16string& line = buffers.line;
    if (logger.GetOutputType() == OUTPUT_FILE) {
        // Converted before the lock, so the section holds only the write and the flush.
        std::string_view const bytes = buffers.Utf8(line);
        Threading::MutexLock const lock(manager.GetCriticalSection());
        Tarnwick::Detail::CheckLock(lock, logger, kLineOpenLock);
        // Opened on the first file message, and again after a Close.
        open();
        if (std::FILE* const file = manager.GetFN()) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fflush(file);
            return;
        }
    }

    // Standard output keeps the first 1999 code units of the line (a longer
    // line loses its line feed with the rest); no lock, no flush.
    if (line.size() > kConsoleLineLimit) {
        line.resize(kConsoleLineLimit);
    }
    std::string_view const bytes = buffers.Utf8(line);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

} // namespace

ServiceLogger::ServiceLogger(std::u16string name, LoggerManager* loggerManager, OutputTypes outputType)
    : m_LoggerManager(loggerManager)
    , m_LevelType(LOG_WARN)
    , m_Name(std::move(name))
    , m_OutputType(outputType)
    , m_EnableLogging(true)
{ }

ServiceLogger::ServiceLogger(ServiceLogger const& other)
    : m_LoggerManager(other.m_LoggerManager)
    , m_LevelType(other.GetLevelType())
    , m_Name(other.m_Name)
    , m_OutputType(other.m_OutputType)
    , m_EnableLogging(other.m_EnableLogging.load(std::memory_order_relaxed))
{ }

ServiceLogger& ServiceLogger::operator=(ServiceLogger const& other)
{
    m_LoggerManager = other.m_LoggerManager;
    SetLevelType(other.GetLevelType());
    m_Name = other.m_Name;
    m_OutputType = other.m_OutputType;
    SetEnableLogging(other.m_EnableLogging.load(std::memory_order_relaxed));
    return *this;
}

ServiceLogger::~ServiceLogger() = default;

std::u16string ServiceLogger::GetName() const
{
    return m_Name;
}

void ServiceLogger::SetLevelType(LevelTypes levelType)
{
    m_LevelType.store(levelType, std::memory_order_relaxed);
    // A copy is not registered, and an assignment keeps the target's registration.
    if (m_LevelOverrides != nullptr && !m_LevelOverridden.exchange(true)) {
        m_LevelOverrides->Note(m_Slot);
    }
}

// A logger made without a manager has no file and no global switch: it drops
// its messages.
void ServiceLogger::Write(LevelTypes level, char16_t const* format, ...)
{
    if (m_LoggerManager == nullptr || !m_LoggerManager->GetGlobalEnableLogging()) {
        return;
    }
    std::va_list list;
    va_start(list, format);
    ArgumentsEnd const end(list);
    std::vector<LogArgument> const arguments = Detail::ReadVariadicArguments(format, list);
    printMessage(level, format, arguments.data(), arguments.size());
}

void ServiceLogger::WriteArguments(
    LevelTypes level, char16_t const* format, LogArgument const* arguments, std::size_t count)
{
    if (m_LoggerManager == nullptr || !m_LoggerManager->GetGlobalEnableLogging()) {
        return;
    }
    printMessage(level, format, arguments, count);
}

void ServiceLogger::printMessage(
    LevelTypes level, char16_t const* format, LogArgument const* arguments, std::size_t count)
{
    // The stamp is taken before any lock.
    LineBuffers& buffers = t_Buffers;
    std::u16string& line = buffers.line;
    // Only the caller's format is expanded; everything before it is written as it is.
    buffers.StartLine(LevelTypeNames[level], m_Name);
    Detail::AppendWideFormat(line, format, std::span(arguments, count));
    line += u'\n';

    LoggerManager& manager = *GetLoggerManager();
    WriteLine(*this, manager, buffers, [&manager] { manager.OpenFileNameLocked(); });
    buffers.Release();
}

} // namespace Tarnwick::Utils
