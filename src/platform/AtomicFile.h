#pragma once

// Replacing a file so that readers see either its old or its new content,
// never a part. Internal to the library.

#include <optional>
#include <string>
#include <string_view>

namespace Tarnwick::Platform {

/// The step of a replacement that failed.
enum class FileStep { CREATE_TEMPORARY, WRITE, SYNC, CLOSE, RENAME };

/// Why a replacement failed: the step and the system's error number.
struct FileFailure {
    FileStep m_Step;
    int m_Error;
};

/// Writes `content` to a new temporary file in the folder of `path` (a hidden
/// name starting with '.' and not ending in the name's suffix, so that
/// collectors matching "*.prom" skip it), flushes it to the disk and renames
/// it over `path`. The new file gets the permissions 0666 less the umask; a
/// symbolic link at `path` is replaced by it, not followed. On
/// failure the temporary file is removed and `path` is left as it was.
std::optional<FileFailure> ReplaceFile(std::string const& path, std::string_view content);

/// The system's text for an error number ("No such file or directory").
std::string ErrorText(int error);

/// A few words naming the step ("creating the temporary file").
char const* StepText(FileStep step) noexcept;

} // namespace Tarnwick::Platform
