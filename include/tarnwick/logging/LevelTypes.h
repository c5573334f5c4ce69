#pragma once

#include <tarnwick/core/Export.h>

#include <cstdint>
#include <string>

namespace Tarnwick::Utils {

/// Logging levels, ordered by severity; as a threshold `LOG_NONE` suppresses everything.
enum LevelTypes : std::int32_t {
    LOG_TRACE = 0,
    LOG_DEBUG = 1,
    LOG_INFO = 2,
    LOG_WARN = 3,
    LOG_ERROR = 4,
    LOG_FATAL = 5,
    LOG_NONE = 6
};

/// Where a logger writes: only the value 1 selects the log file, every other value standard output.
enum OutputTypes : std::int32_t { OUTPUT_CONSOLE = 0, OUTPUT_FILE = 1 };

/// The number of `LevelTypes` values, and so of entries in `LevelTypeNames`.
inline constexpr std::int32_t LevelTypeCount = 7;

/// The level names written in log lines and parsed by `LoggerManager::GetLevelType`,
/// indexed by `LevelTypes` value: "TRACE", "DEBUG", "INFO", "WARN", "ERROR",
/// "FATAL", "NONE". Filled when the library is loaded.
extern TARNWICK_EXPORT std::u16string const LevelTypeNames[LevelTypeCount];

} // namespace Tarnwick::Utils
