#pragma once

#include <tarnwick/core/Export.h>
#include <tarnwick/diagnostics/ServiceDiagnostics.h>
#include <tarnwick/threading/Mutex.h>

#include <map>
#include <memory>
#include <ostream>
#include <string>

namespace Tarnwick::Detail {
template <class Member, class Level> class LevelSettings;
} // namespace Tarnwick::Detail

namespace Tarnwick::Diagnostics {

/// Owns the `ServiceDiagnostics` of a process by name and applies level
/// settings to them by name pattern: a setting applies to every diagnostics
/// object whose name contains the pattern; settings are applied from the
/// fewest ':' characters to the most (then in code-unit order), so the last
/// match wins and the empty pattern is a default.
class TARNWICK_EXPORT DiagnosticsManager {
public:
    /// No diagnostics objects and no settings yet.
    DiagnosticsManager();
    DiagnosticsManager(DiagnosticsManager const&) = delete;
    DiagnosticsManager& operator=(DiagnosticsManager const&) = delete;
    /// Releases every diagnostics object, then throws the first report of a
    /// time counter with measurements in flight (see `~ServiceDiagnostics`).
    ~DiagnosticsManager() noexcept(false);

    /// The diagnostics of that name, created on first request; owned by the
    /// manager and valid until its destruction.
    ServiceDiagnostics* GetServiceDiagnostics(std::u16string const& name);
    /// Adds or replaces the setting for `name`, creates the diagnostics of
    /// exactly that name if needed, and applies all settings. Making
    /// diagnostics and changing a setting both apply the settings to all
    /// diagnostics, so that a level set directly lasts until then and is then
    /// replaced only where a setting matches the name; either costs time
    /// linear in the diagnostics or settings it concerns, not in their product.
    void SetLevelType(std::u16string const& name, ServiceDiagnostics::DiagnosticsLevel level);

    /// Writes every counter of every diagnostics object whose level switches
    /// its kind on, in the Prometheus text exposition format 0.0.4 (UTF-8,
    /// lines ending in a line feed), for a scraper or the node exporter's
    /// textfile collector. Each sample carries the labels `service` (the
    /// diagnostics' name) and `counter` (the counter's name), in UTF-8 with
    /// the backslash, the double quote and the line feed escaped; a lone
    /// surrogate becomes U+FFFD, and should two names meet that way, the first
    /// in code-unit order is written. The families, each with its `# HELP` and `# TYPE` line and
    /// left out when it has no sample:
    ///
    /// | family | type | value |
    /// |---|---|---|
    /// | `tarnwick_number_total` | counter | the count of a number counter (a decrease reads as a counter reset) |
    /// | `tarnwick_size_last` | gauge | the last sample of a size counter |
    /// | `tarnwick_size_min` | gauge | its smallest sample since its reset |
    /// | `tarnwick_size_max` | gauge | its largest sample (saturating at 4294967295) |
    /// | `tarnwick_size_mean` | gauge | the mean of its samples |
    /// | `tarnwick_size_samples_total` | counter | the samples since its reset |
    /// | `tarnwick_time_last_seconds` | gauge | the last duration of a time counter, in seconds |
    /// | `tarnwick_time_min_seconds` | gauge | its shortest duration |
    /// | `tarnwick_time_max_seconds` | gauge | its longest duration |
    /// | `tarnwick_time_mean_seconds` | gauge | the mean of its durations |
    /// | `tarnwick_time_samples_total` | counter | the durations measured since its reset |
    ///
    /// A size or time counter without a sample writes only its `_samples_total`
    /// (0): its minimum, maximum and mean are placeholders until the first.
    /// Integers are written exactly, durations as exact decimal seconds, means
    /// in the shortest form that reads back as the same double.
    ///
    /// Each counter's figures are read together under that counter's own
    /// mutex, so they agree with each other while other threads count. The
    /// manager's mutex and each diagnostics' mutex are held only to list what
    /// they hold, never while reading counters or formatting; what is listed
    /// lives until the manager is destroyed, which no other call may overlap.
    /// The text is formatted first and written to `out` in one piece; the
    /// stream's state tells whether that succeeded. A lock problem would raise
    /// "Unexpected problem with mutex lock." at line 88 (this library's lock
    /// never reports one).
    void WriteMetrics(std::ostream& out) const;

    /// Writes the text of `WriteMetrics` to a new temporary file in the folder
    /// of `path` (named ".NAME.tmp.PID.N", so that a collector reading
    /// `*.prom` files skips it), flushes it to the disk and renames it over `path`:
    /// a reader sees the previous complete file or the new one, never a part.
    /// `path` is a file name in UTF-8; the file gets the permissions 0666 less
    /// the umask, and a symbolic link at `path` is replaced, not followed.
    /// Throws `ServiceException` (source
    /// "Tarnwick::Diagnostics::DiagnosticsManager", line 104) with the message
    /// `WriteMetricsFile() - cannot write <path> (<step>): <system's reason>`,
    /// the step being for example "creating the temporary file" or "renaming
    /// the temporary file over it", when the file cannot be written, for example because the folder is
    /// missing or not writable or `path` is a folder; the temporary file is
    /// removed then and `path` is left as it was.
    void WriteMetricsFile(std::string const& path) const;

private:
    using Levels = Tarnwick::Detail::LevelSettings<ServiceDiagnostics, ServiceDiagnostics::DiagnosticsLevel>;

    /// `GetServiceDiagnostics` for a caller that holds the mutex.
    ServiceDiagnostics* Find(std::u16string const& name);
    /// Gives diagnostics the level their settings decide (none: their own
    /// stays) and forgets that it was set directly.
    static void Settle(ServiceDiagnostics& diagnostics, ServiceDiagnostics::DiagnosticsLevel const* level) noexcept;
    /// The exposition text of `WriteMetrics`.
    std::string MetricsText() const;

    std::map<std::u16string, std::unique_ptr<ServiceDiagnostics>> m_Diagnostics;
    mutable Threading::Mutex m_CriticalSection; // the const metrics export lists under it too
    std::unique_ptr<Levels> m_LevelSettings; // the settings and what they decide for each diagnostics
};

} // namespace Tarnwick::Diagnostics
