#include <tarnwick/logging/ServiceLogger.h>

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/logging/LoggerManager.h>
#include <tarnwick/stubproxy/TimeStamp.h>
#include <tarnwick/threading/MutexLock.h>

#include "core/ClassName.h"
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

// The lines of the two guarded sections of a file message; part of the
// exceptions' interface.
constexpr std::int32_t kLineOpenLock = 81;
constexpr std::int32_t kLineWriteLock = 90;

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

    /// Appends the text of the current local time to the line.
    void AppendStamp()
    {
        std::uint64_t const now = DataTypes::TimeStamp::GetCurrentUTime();
        std::uint64_t const second = now / kMicroSecondsPerSecond;
        if (second != stampSecond) {
            stampText = DataTypes::TimeStamp(second * kMicroSecondsPerSecond).Serialize();
            microSecondAt = stampText.find(u'.') + 1;
            stampSecond = second;
        }
        std::size_t const at = line.size() + microSecondAt;
        line += stampText;
        auto micro = static_cast<std::uint32_t>(now % kMicroSecondsPerSecond);
        for (std::size_t digit = 6; digit-- > 0; micro /= 10) {
            line[at + digit] = static_cast<char16_t>(u'0' + micro % 10);
        }
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
    line.clear();
    buffers.AppendStamp();

    LoggerManager& manager = *GetLoggerManager();
    bool const toFile = m_OutputType == OUTPUT_FILE;
    if (toFile) {
        Threading::MutexLock const lock(manager.GetCriticalSection());
        Tarnwick::Detail::CheckLock(lock, *this, kLineOpenLock);
        manager.OpenFileNameLocked();
    }

    // Only the caller's format is expanded; everything before it is written as it is.
    line += u' ';
    line += LevelTypeNames[level];
    line += u" : ";
    line += m_Name;
    line += u" - ";
    Detail::AppendWideFormat(line, format, std::span(arguments, count));
    line += u'\n';

    std::string& bytes = buffers.bytes;
    if (toFile) {
        bytes.clear();
        Detail::AppendUtf8(bytes, line);
        Threading::MutexLock const lock(manager.GetCriticalSection());
        Tarnwick::Detail::CheckLock(lock, *this, kLineWriteLock);
        // The stream may have been closed since it was opened above.
        if (std::FILE* const file = manager.GetFN()) {
            std::fwrite(bytes.data(), 1, bytes.size(), file);
            std::fflush(file);
            buffers.Release();
            return;
        }
    }

    // Standard output keeps the first 1999 code units of the line (a longer
    // line loses its line feed with the rest); no lock, no flush.
    if (line.size() > kConsoleLineLimit) {
        line.resize(kConsoleLineLimit);
    }
    bytes.clear();
    Detail::AppendUtf8(bytes, line);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    buffers.Release();
}

} // namespace Tarnwick::Utils
