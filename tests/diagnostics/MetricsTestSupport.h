#pragma once

// Helpers shared by the metrics export tests.

#include <tarnwick/diagnostics/DiagnosticsManager.h>

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace DiagnosticsTest {

/// A fresh folder of its own, removed with everything in it at the end.
class TemporaryFolder {
public:
    TemporaryFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-metrics-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        m_Path = pattern;
    }
    TemporaryFolder(TemporaryFolder const&) = delete;
    TemporaryFolder& operator=(TemporaryFolder const&) = delete;
    ~TemporaryFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_Path, ignored);
    }

    std::filesystem::path const& Path() const { return m_Path; }
    std::string operator/(std::string const& name) const { return (m_Path / name).string(); }

    /// The names of the entries, sorted.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (auto const& entry : std::filesystem::directory_iterator(m_Path)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path m_Path;
};

inline std::string ReadWholeFile(std::string const& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string MetricsOf(Tarnwick::Diagnostics::DiagnosticsManager const& manager)
{
    std::ostringstream out;
    manager.WriteMetrics(out);
    return out.str();
}

/// What a shell command printed (standard output and error together), and its exit status.
struct CommandResult {
    std::string m_Output;
    int m_Status = -1;
};

inline CommandResult RunCommand(std::string const& command)
{
    CommandResult result;
    std::FILE* const pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[4096];
    for (std::size_t read; (read = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        result.m_Output.append(buffer, read);
    }
    int const status = ::pclose(pipe);
    result.m_Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

/// The Prometheus client library's parser run over the exposition file, as
/// ParseMetrics.py prints it.
inline CommandResult ParseWithClientLibrary(std::string const& file)
{
    return RunCommand(std::string("'") + TARNWICK_METRICS_PYTHON + "' '" + TARNWICK_PARSE_METRICS + "' '" + file + "'");
}

/// promtool's verdict: it exits with 0 for a clean exposition, 1 for one it
/// cannot parse and 3 for lint problems (which it prints).
inline CommandResult CheckWithPromtool(std::string const& file)
{
    return RunCommand(std::string("'") + TARNWICK_PROMTOOL + "' check metrics < '" + file + "'");
}

inline void WriteWholeFile(std::string const& path, std::string const& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace DiagnosticsTest
