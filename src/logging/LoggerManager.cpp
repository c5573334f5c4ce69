#include <tarnwick/logging/LoggerManager.h>

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/threading/MutexLock.h>

#include "core/ClassName.h"
#include "core/LevelSettings.h"
#include "core/Utf16.h"
#include "threading/GuardedSection.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace Tarnwick::Utils {

namespace {

// Raise-site lines; part of the exceptions' interface.
constexpr std::int32_t kLineCloseLock = 37;
constexpr std::int32_t kLineGetLoggerLock = 62;
constexpr std::int32_t kLineDifferentType = 75;
constexpr std::int32_t kLineSetLevelLock = 105;
constexpr std::int32_t kLineUnknownLevel = 130;
constexpr std::int32_t kLineOpenFailed = 142;

} // namespace

void LoggerManager::Settle(ServiceLogger& logger, LevelTypes const* level) noexcept
{
    logger.m_LevelOverridden.store(false);
    if (level != nullptr) {
        logger.m_LevelType.store(*level, std::memory_order_relaxed);
    }
}

void LoggerManager::FileCloser::operator()(std::FILE* file) const noexcept
{
    std::fclose(file);
}

LoggerManager::LoggerManager(std::u16string logFileName)
    : m_LevelSettings(std::make_unique<Detail::LevelSettings<ServiceLogger, LevelTypes>>())
    , m_LogFileName(std::move(logFileName))
    , m_GlobalEnableLogging(true)
{ }

LoggerManager::~LoggerManager()
{
    Close();
}

void LoggerManager::SetLogFileName(std::u16string logFileName)
{
    // Under the lock, so that a file message opening the file meanwhile reads
    // either the old or the new name, never a half-replaced one.
    Threading::MutexLock const lock(m_CriticalSection);
    m_LogFileName = std::move(logFileName);
}

void LoggerManager::OpenFileName()
{
    // Also when a caller opens the file directly, never beside a logger doing so.
    Threading::MutexLock const lock(m_CriticalSection);
    OpenFileNameLocked();
}

void LoggerManager::OpenFileNameLocked()
{
    if (m_File) {
        return;
    }
    // Only this one level is created; when it cannot be, opening fails below.
    std::error_code ignored;
    std::filesystem::create_directory("./Logs", ignored);

    std::string path = "./Logs/";
    Detail::AppendUtf8(path, m_LogFileName);
    // A zero unit would silently shorten the path to another file's.
    bool const usable = m_LogFileName.find(u'\0') == std::u16string::npos;
    std::FILE* const file = usable ? std::fopen(path.c_str(), "w+e") : nullptr;
    if (file == nullptr) {
        throw ServiceException(u"Opening of the log file is failed.", Detail::ClassNameOf(*this), kLineOpenFailed);
    }
    m_File.reset(file);
}

void LoggerManager::Close()
{
    Threading::MutexLock const setupLock(m_SetupMutex);
    Tarnwick::Detail::CheckLock(setupLock, *this, kLineCloseLock);
    m_LevelSettings->Clear();
    m_Loggers.clear();
    Threading::MutexLock const lock(m_CriticalSection);
    Tarnwick::Detail::CheckLock(lock, *this, kLineCloseLock);
    m_File.reset();
}

ServiceLogger* LoggerManager::GetLogger(std::u16string name, OutputTypes outputType)
{
    Threading::MutexLock const lock(m_SetupMutex);
    Tarnwick::Detail::CheckLock(lock, *this, kLineGetLoggerLock);
    auto found = m_Loggers.find(name);
    if (found == m_Loggers.end()) {
        auto logger = std::make_unique<ServiceLogger>(name, this, outputType);
        found = m_Loggers.emplace(std::move(name), std::move(logger)).first;
        ServiceLogger& added = *found->second;
        try {
            // The map's key is the name's lasting text.
            added.m_Slot = m_LevelSettings->Add(added, found->first, Settle);
        } catch (...) {
            m_Loggers.erase(found);
            throw;
        }
        added.m_LevelOverrides = &m_LevelSettings->Overrides();
        m_LevelSettings->Propagate(Settle);
    }
    if (found->second->GetOutputType() != outputType) {
        throw ServiceException(
            u"The logger is different type that is required.", "ServiceLogger::GetLogger", kLineDifferentType);
    }
    return found->second.get();
}

void LoggerManager::SetLevelType(std::u16string const& name, LevelTypes levelType)
{
    Threading::MutexLock const lock(m_SetupMutex);
    Tarnwick::Detail::CheckLock(lock, *this, kLineSetLevelLock);
    m_LevelSettings->Set(name, levelType, Settle);
    m_LevelSettings->Propagate(Settle);
}

LevelTypes LoggerManager::GetLevelType(std::u16string const& levelName)
{
    for (std::int32_t level = 0; level < LevelTypeCount; ++level) {
        if (levelName == LevelTypeNames[level]) {
            return static_cast<LevelTypes>(level);
        }
    }
    throw ServiceException(
        u"GetLevelType() - type name " + levelName + u" unknown", "ServiceLogger", kLineUnknownLevel);
}

} // namespace Tarnwick::Utils
