#include "platform/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace Tarnwick::Platform {

namespace {

/// An open temporary file that is removed unless it was renamed into place.
class TemporaryFile {
public:
    TemporaryFile(TemporaryFile const&) = delete;
    TemporaryFile& operator=(TemporaryFile const&) = delete;

    /// Creates a fresh file next to `path`; `m_Descriptor` < 0 and errno set on failure.
    explicit TemporaryFile(std::string const& path)
    {
        static std::atomic<unsigned> sequence {0};
        std::size_t const slash = path.rfind('/');
        std::string const folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        std::string const name = slash == std::string::npos ? path : path.substr(slash + 1);
        // O_EXCL guards against another writer, in this or another process,
        // that picked the same name; a few tries step past such a clash.
        for (int attempt = 0; attempt < 100; ++attempt) {
            m_Path = folder + "." + name + ".tmp." + std::to_string(::getpid()) + "."
                + std::to_string(sequence.fetch_add(1, std::memory_order_relaxed));
            m_Descriptor = ::open(m_Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_Descriptor >= 0 || errno != EEXIST) {
                return;
            }
        }
    }

    ~TemporaryFile()
    {
        if (m_Descriptor >= 0) {
            ::close(m_Descriptor);
        }
        if (m_Descriptor >= 0 || m_Created) {
            ::unlink(m_Path.c_str());
        }
    }

    bool IsOpen() const noexcept { return m_Descriptor >= 0; }

    bool Write(std::string_view content) noexcept
    {
        while (!content.empty()) {
            ssize_t const written = ::write(m_Descriptor, content.data(), content.size());
            if (written < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return false;
            }
            content.remove_prefix(static_cast<std::size_t>(written));
        }
        return true;
    }

    bool Sync() noexcept { return ::fsync(m_Descriptor) == 0; }

    /// Closes the descriptor; the file stays to be renamed or removed.
    bool Close() noexcept
    {
        int const descriptor = m_Descriptor;
        m_Descriptor = -1;
        m_Created = true;
        // Not retried on EINTR: the descriptor is released either way.
        return ::close(descriptor) == 0;
    }

    /// Moves the file over `path`; from then on it is no longer removed.
    bool RenameTo(std::string const& path) noexcept
    {
        if (::rename(m_Path.c_str(), path.c_str()) != 0) {
            return false;
        }
        m_Created = false;
        return true;
    }

private:
    std::string m_Path;
    int m_Descriptor = -1;
    bool m_Created = false; // closed but not yet renamed
};

/// Makes the rename itself durable. Best effort: the new content is already
/// complete at `path` for every reader, which is what the caller is told.
void SyncFolderOf(std::string const& path) noexcept
{
    std::size_t const slash = path.rfind('/');
    std::string const folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int const descriptor = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor >= 0) {
        ::fsync(descriptor);
        ::close(descriptor);
    }
}

} // namespace

std::optional<FileFailure> ReplaceFile(std::string const& path, std::string_view content)
{
    TemporaryFile file(path);
    if (!file.IsOpen()) {
        return FileFailure {FileStep::CREATE_TEMPORARY, errno};
    }
    auto const failure = [](FileStep step) { return FileFailure {step, errno}; };
    if (!file.Write(content)) {
        return failure(FileStep::WRITE);
    }
    if (!file.Sync()) {
        return failure(FileStep::SYNC);
    }
    if (!file.Close()) {
        return failure(FileStep::CLOSE);
    }
    if (!file.RenameTo(path)) {
        return failure(FileStep::RENAME);
    }
    SyncFolderOf(path);
    return std::nullopt;
}

std::string ErrorText(int error)
{
    char buffer[256];
    // The GNU strerror_r answers a pointer, to the buffer or to a static text.
    return ::strerror_r(error, buffer, sizeof buffer);
}

char const* StepText(FileStep step) noexcept
{
    switch (step) {
    case FileStep::CREATE_TEMPORARY:
        return "creating the temporary file";
    case FileStep::WRITE:
        return "writing the temporary file";
    case FileStep::SYNC:
        return "flushing the temporary file to disk";
    case FileStep::CLOSE:
        return "closing the temporary file";
    case FileStep::RENAME:
        return "renaming the temporary file over it";
    }
    return "replacing it";
}

} // namespace Tarnwick::Platform
