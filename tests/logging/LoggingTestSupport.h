#pragma once

// A fresh temporary working directory per test (the log file is "./Logs/<name>"),
// and readers for what the loggers wrote.

#include <tarnwick/core/ServiceException.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace TarnwickTest {

/// Runs `action`, expects a ServiceException and returns its ToString() line.
template <class Action> std::u16string ThrownLine(Action const& action)
{
    try {
        action();
    } catch (Tarnwick::ServiceException const& e) {
        return e.ToString();
    }
    ADD_FAILURE() << "no ServiceException";
    return {};
}

/// What the first message to a log file that cannot be opened raises (the line
/// is part of the interface).
inline constexpr char16_t const* kOpeningFailed
    = u"Exception: Tarnwick::Utils::LoggerManager line 142 - Opening of the log file is failed.";

class LoggingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Previous = std::filesystem::current_path();
        std::string pattern = (std::filesystem::temp_directory_path() / "tarnwick-logging-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_Directory = pattern;
        std::filesystem::current_path(m_Directory);
    }

    void TearDown() override
    {
        std::filesystem::current_path(m_Previous);
        std::error_code ignored;
        std::filesystem::remove_all(m_Directory, ignored);
    }

    static bool Exists(std::filesystem::path const& path) { return std::filesystem::exists(path); }

    /// The bytes of a file, or "<missing>" when there is none.
    static std::string ReadFile(std::filesystem::path const& path)
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            return "<missing>";
        }
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    /// Text split at line feeds; a last piece without line feed is kept too.
    static std::vector<std::string> Lines(std::string const& text)
    {
        std::vector<std::string> lines;
        std::string::size_type start = 0;
        while (start < text.size()) {
            auto const end = text.find('\n', start);
            if (end == std::string::npos) {
                lines.push_back(text.substr(start));
                break;
            }
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return lines;
    }

    /// A line with its time stamp ("09:05:02.000042 3/7/2024 ") removed, or
    /// "<no stamp>" when it does not start with one.
    static std::string WithoutStamp(std::string const& line);

    /// The lines of a file, each without its time stamp.
    static std::vector<std::string> Written(std::filesystem::path const& path)
    {
        std::vector<std::string> written;
        for (auto const& line : Lines(ReadFile(path))) {
            written.push_back(WithoutStamp(line));
        }
        return written;
    }

    /// What `action` writes to standard output.
    template <class Action> static std::string Stdout(Action const& action)
    {
        ::testing::internal::CaptureStdout();
        action();
        return ::testing::internal::GetCapturedStdout();
    }

private:
    std::filesystem::path m_Previous;
    std::filesystem::path m_Directory;
};

inline std::string LoggingTest::WithoutStamp(std::string const& line)
{
    auto digits = [&](std::size_t at, std::size_t count) {
        if (at + count > line.size()) {
            return false;
        }
        for (std::size_t i = at; i < at + count; ++i) {
            if (line[i] < '0' || line[i] > '9') {
                return false;
            }
        }
        return true;
    };
    // hh:mm:ss.uuuuuu M/D/YYYY
    if (!digits(0, 2) || line[2] != ':' || !digits(3, 2) || line[5] != ':' || !digits(6, 2) || line[8] != '.'
        || !digits(9, 6) || line.size() < 16 || line[15] != ' ') {
        return "<no stamp>";
    }
    std::size_t at = 16;
    for (char separator : {'/', '/', ' '}) {
        std::size_t const start = at;
        while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
            ++at;
        }
        if (at == start || at >= line.size() || line[at] != separator) {
            return "<no stamp>";
        }
        ++at;
    }
    return line.substr(at);
}

} // namespace TarnwickTest
