#include "logging/LoggingTestSupport.h"

#include <tarnwick/logging/LoggerManager.h>
#include <tarnwick/logging/ServiceLogger.h>
#include <tarnwick/stubproxy/TimeStamp.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <thread>
#include <vector>

namespace TarnwickTest {
namespace {

using Tarnwick::DataTypes::TimeStamp;
using namespace Tarnwick::Utils;

using ServiceLoggerTest = LoggingTest;

// Calls the six entry points once each, with the level's name as the text.
void LogAllLevels(ServiceLogger& logger)
{
    logger.Trace(u"t %d", 0);
    logger.Debug(u"d %d", 1);
    logger.Information(u"i %d", 2);
    logger.Warning(u"w %d", 3);
    logger.Error(u"e %d", 4);
    logger.Fatal(u"f %d", 5);
}

TEST_F(ServiceLoggerTest, FileLineCarriesStampLevelNameAndExpandedText)
{
    LoggerManager manager(u"server.log");
    ServiceLogger* logger = manager.GetLogger(u"Server", OUTPUT_FILE);
    logger->SetLevelType(LOG_INFO);

    std::uint64_t const before = TimeStamp::GetCurrentUTime();
    logger->Information(u"started %d", 3);
    std::uint64_t const after = TimeStamp::GetCurrentUTime();

    std::string const text = ReadFile("Logs/server.log");
    auto const lines = Lines(text);
    ASSERT_EQ(lines.size(), 1u) << text;
    EXPECT_EQ(text.back(), '\n');
    EXPECT_EQ(WithoutStamp(lines[0]), "INFO : Server - started 3");

    // The stamp is the local time of the message, to the microsecond.
    unsigned hour, minute, second, micro, month, day, year;
    ASSERT_EQ(
        std::sscanf(lines[0].c_str(), "%2u:%2u:%2u.%6u %u/%u/%u", &hour, &minute, &second, &micro, &month, &day, &year),
        7);
    std::uint64_t const stamped = TimeStamp(year, month, day, hour, minute, second, micro).GetUTime();
    EXPECT_LE(before, stamped);
    EXPECT_LE(stamped, after);
}

// The stamp is the local time of the zone in force; a change of zone shows from
// the next second on at the latest.
TEST_F(ServiceLoggerTest, StampFollowsTheTimeZone)
{
    char const* const saved = std::getenv("TZ");
    std::string const previous = saved != nullptr ? saved : "";
    LoggerManager manager(u"zone.log");
    ServiceLogger* logger = manager.GetLogger(u"Z", OUTPUT_FILE);
    std::vector<std::string> expectedHours;
    for (char const* zone : {"UTC0", "<+0530>-5:30", "UTC0"}) {
        ::setenv("TZ", zone, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(1010));
        std::uint64_t const now = TimeStamp::GetCurrentUTime();
        logger->Warning(u"in %S", zone);
        std::u16string const expected = TimeStamp(now).Serialize();
        expectedHours.push_back(std::string(expected.begin(), expected.begin() + 5));
    }
    if (saved != nullptr) {
        ::setenv("TZ", previous.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    auto const lines = Lines(ReadFile("Logs/zone.log"));
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].substr(0, 5), expectedHours[i]) << lines[i];
    }
    EXPECT_NE(expectedHours[0], expectedHours[1]);
}

// What LogAllLevels writes through a logger named "L", lowest level first.
std::vector<std::string> const kAllLevels {
    "TRACE : L - t 0", "DEBUG : L - d 1", "INFO : L - i 2", "WARN : L - w 3", "ERROR : L - e 4", "FATAL : L - f 5"};

struct ThresholdCase {
    LevelTypes threshold;
    std::size_t firstWritten; // index into kAllLevels; the lines from there on are written
};

void PrintTo(ThresholdCase const& value, std::ostream* out)
{
    *out << "threshold " << value.threshold;
}

class ServiceLoggerThresholdTest : public LoggingTest, public ::testing::WithParamInterface<ThresholdCase> { };

TEST_P(ServiceLoggerThresholdTest, WritesTheLevelsAtOrAboveTheThreshold)
{
    LoggerManager manager(u"levels.log");
    ServiceLogger* logger = manager.GetLogger(u"L", OUTPUT_FILE);
    logger->SetLevelType(GetParam().threshold);
    LogAllLevels(*logger);
    std::vector<std::string> const written(kAllLevels.begin() + GetParam().firstWritten, kAllLevels.end());
    if (written.empty()) {
        EXPECT_FALSE(Exists("Logs/levels.log"));
    } else {
        EXPECT_EQ(Written("Logs/levels.log"), written);
    }
}

INSTANTIATE_TEST_SUITE_P(Thresholds, ServiceLoggerThresholdTest,
    ::testing::Values(ThresholdCase {LOG_TRACE, 0}, ThresholdCase {LOG_DEBUG, 1}, ThresholdCase {LOG_INFO, 2},
        ThresholdCase {LOG_WARN, 3}, ThresholdCase {LOG_ERROR, 4}, ThresholdCase {LOG_FATAL, 5},
        ThresholdCase {LOG_NONE, 6},
        // Out-of-range thresholds compare as signed integers.
        ThresholdCase {static_cast<LevelTypes>(-5), 0}, ThresholdCase {static_cast<LevelTypes>(100), 6}),
    [](auto const& info) {
        return "Threshold" + std::to_string(info.index) + "_"
            + std::to_string(info.param.threshold < 0 ? 0 : info.param.threshold);
    });

TEST_F(ServiceLoggerTest, ManagerDefaultThresholdIsWarn)
{
    LoggerManager manager(u"default.log");
    ServiceLogger* logger = manager.GetLogger(u"D", OUTPUT_FILE);
    EXPECT_EQ(logger->GetLevelType(), LOG_WARN);
    LogAllLevels(*logger);
    EXPECT_EQ(Written("Logs/default.log"),
        (std::vector<std::string> {"WARN : D - w 3", "ERROR : D - e 4", "FATAL : D - f 5"}));
}

// Every way a caller hands over the format: a literal, a pointer, an array, a
// std::u16string (taken by reference) and a temporary one, with and without
// arguments, through each of the six entry points.
TEST_F(ServiceLoggerTest, EveryFormatFormReachesTheLine)
{
    LoggerManager manager(u"forms.log");
    ServiceLogger* logger = manager.GetLogger(u"Forms", OUTPUT_FILE);
    logger->SetLevelType(LOG_TRACE);
    std::u16string const held = u"held %d %s";
    char16_t const* const pointer = u"pointer %S";
    char16_t array[] = u"array %c";
    std::u16string const name = u"n";
    std::u16string const bare = u"bare 100%% sure";
    logger->Trace(u"plain");
    logger->Debug(held, 1, name.c_str());
    logger->Information(pointer, "narrow");
    logger->Warning(array, u'w');
    logger->Error(std::u16string(u"temporary %.1f"), 2.5f);
    logger->Fatal(bare);
    logger->Trace(held, 7, u"t");
    logger->Debug(std::u16string(u"no arguments"));

    std::vector<std::string> const expected {"TRACE : Forms - plain", "DEBUG : Forms - held 1 n",
        "INFO : Forms - pointer narrow", "WARN : Forms - array w", "ERROR : Forms - temporary 2.5",
        "FATAL : Forms - bare 100% sure", "TRACE : Forms - held 7 t", "DEBUG : Forms - no arguments"};
    EXPECT_EQ(Written("Logs/forms.log"), expected);
}

TEST_F(ServiceLoggerTest, SwitchedOffLoggingWritesNothingAndCreatesNoFile)
{
    for (bool const global : {true, false}) {
        SCOPED_TRACE(global ? "switched off for the manager" : "switched off for each logger");
        LoggerManager manager(u"off.log");
        if (global) {
            manager.SetGlobalEnableLogging(false);
            EXPECT_FALSE(manager.GetGlobalEnableLogging());
        }
        ServiceLogger* file = manager.GetLogger(u"F", OUTPUT_FILE);
        ServiceLogger* console = manager.GetLogger(u"C", OUTPUT_CONSOLE);
        for (ServiceLogger* logger : {file, console}) {
            global ? logger->SetLevelType(LOG_TRACE) : logger->SetEnableLogging(false);
        }
        EXPECT_EQ(Stdout([&] {
            LogAllLevels(*file);
            LogAllLevels(*console);
        }),
            "");
        EXPECT_EQ(manager.GetFN(), nullptr);
        EXPECT_FALSE(Exists("Logs"));
        if (!global) {
            // Switching back on writes again.
            file->SetEnableLogging(true);
            file->Error(u"back");
            EXPECT_NE(manager.GetFN(), nullptr);
        }
    }
    EXPECT_EQ(Lines(ReadFile("Logs/off.log")).size(), 1u);
}

TEST_F(ServiceLoggerTest, FirstFileMessageCreatesDirectoryAndLaterOnesAppend)
{
    LoggerManager manager(u"a.log");
    ServiceLogger* logger = manager.GetLogger(u"A", OUTPUT_FILE);
    EXPECT_FALSE(Exists("Logs"));
    logger->Warning(u"one");
    EXPECT_TRUE(std::filesystem::is_directory("Logs"));
    // Flushed at once: the line is in the file while the stream is still open.
    EXPECT_EQ(Lines(ReadFile("Logs/a.log")).size(), 1u);
    logger->Warning(u"two");
    EXPECT_EQ(Written("Logs/a.log"), (std::vector<std::string> {"WARN : A - one", "WARN : A - two"}));
}

TEST_F(ServiceLoggerTest, PercentInNameOrExpandedTextIsWrittenUnchanged)
{
    LoggerManager manager(u"p.log");
    ServiceLogger* logger = manager.GetLogger(u"Disk%d%s", OUTPUT_FILE);
    logger->Warning(u"%s and %d%%", u"50% %s", 7);
    logger->Warning(u"100%% done");
    EXPECT_EQ(Written("Logs/p.log"),
        (std::vector<std::string> {"WARN : Disk%d%s - 50% %s and 7%", "WARN : Disk%d%s - 100% done"}));
}

TEST_F(ServiceLoggerTest, EveryOutputTypeButOneWritesToStandardOutput)
{
    LoggerManager manager(u"console.log");
    std::int32_t const types[] = {0, 2, -1, 7};
    for (std::size_t i = 0; i < std::size(types); ++i) {
        std::string const name = "C" + std::to_string(i);
        ServiceLogger* logger
            = manager.GetLogger(std::u16string(name.begin(), name.end()), static_cast<OutputTypes>(types[i]));
        EXPECT_EQ(logger->GetOutputType(), types[i]);
        std::string const out = Stdout([&] { logger->Error(u"n=%d", types[i]); });
        ASSERT_FALSE(out.empty());
        EXPECT_EQ(out.back(), '\n');
        EXPECT_EQ(WithoutStamp(out.substr(0, out.size() - 1)), "ERROR : " + name + " - n=" + std::to_string(types[i]));
    }
    EXPECT_FALSE(Exists("Logs"));
}

// The cut counts code units before the encoding to UTF-8.
TEST_F(ServiceLoggerTest, ConsoleLineIsCutAt1999CodeUnits)
{
    LoggerManager manager(u"unused.log");
    ServiceLogger* logger = manager.GetLogger(u"Cut", OUTPUT_CONSOLE);
    std::string const shortLine = Stdout([&] { logger->Warning(u"%s", std::u16string(1, u'x').c_str()); });
    std::size_t const prefix = shortLine.size() - 2; // stamp, level, name and separators
    EXPECT_EQ(Stdout([&] { logger->Warning(u""); }).size(), prefix + 1);

    for (std::size_t total : {1998u, 1999u, 2000u, 2001u, 5000u}) {
        // `total` code units including the line feed.
        std::u16string const text(total - prefix - 1, u'y');
        std::string const out = Stdout([&] { logger->Warning(u"%s", text.c_str()); });
        if (total <= 1999) {
            EXPECT_EQ(out.size(), total);
            EXPECT_EQ(out.back(), '\n');
        } else {
            EXPECT_EQ(out.size(), 1999u) << total;
            EXPECT_EQ(out.back(), 'y');
        }
    }
    // Each '€' is one code unit and three bytes.
    std::u16string const euros(3000, u'€');
    EXPECT_EQ(Stdout([&] { logger->Warning(u"%s", euros.c_str()); }).size(), prefix + (1999 - prefix) * 3);
}

TEST_F(ServiceLoggerTest, FileLinesHaveNoLengthLimit)
{
    LoggerManager manager(u"long.log");
    std::u16string const text(100000, u'z');
    manager.GetLogger(u"Long", OUTPUT_FILE)->Error(u"<%s>", text.c_str());
    EXPECT_EQ(Written("Logs/long.log"), std::vector<std::string> {"ERROR : Long - <" + std::string(100000, 'z') + ">"});
}

TEST_F(ServiceLoggerTest, NonAsciiTextIsWrittenAsUtf8ToFileAndConsole)
{
    LoggerManager manager(u"utf8.log");
    // Name, format and both kinds of string argument outside ASCII and Latin-1; a
    // surrogate pair becomes one 4-byte sequence, a lone surrogate U+FFFD.
    char16_t const lone[] = {u'a', 0xD800, u'b', 0};
    ServiceLogger* file = manager.GetLogger(u"Zürich", OUTPUT_FILE);
    file->Warning(u"€ %s %S %c %s", u"日本 \U0001F600", "caf\xC3\xA9", u'\u00E9', lone);
    ServiceLogger* console = manager.GetLogger(u"Ωmega", OUTPUT_CONSOLE);
    std::string const out
        = Stdout([&] { console->Warning(u"€ %s %S %c %s", u"日本 \U0001F600", "caf\xC3\xA9", u'\u00E9', lone); });

    std::string const message = " € 日本 \xF0\x9F\x98\x80 café é a\xEF\xBF\xBD"
                                "b";
    EXPECT_EQ(Written("Logs/utf8.log"), std::vector<std::string> {"WARN : Zürich -" + message});
    EXPECT_EQ(WithoutStamp(out), "WARN : Ωmega -" + message + "\n");
}

// ASCII runs are converted many units at a time: a unit outside ASCII at every
// position around those steps, a long logger name, and a short line after a
// long one (the conversion room is kept from line to line) come out exactly.
TEST_F(ServiceLoggerTest, Utf8OfEveryPositionAndOfShortLinesAfterLongOnes)
{
    LoggerManager manager(u"positions.log");
    std::u16string const name = u"Service." + std::u16string(150, u'n') + u"\u00e9";
    ServiceLogger* logger = manager.GetLogger(name, OUTPUT_FILE);
    std::vector<std::string> expected;
    std::string const utf8Name = "Service." + std::string(150, 'n') + "\xC3\xA9";
    for (std::size_t at = 0; at < 40; ++at) {
        std::u16string text(40, u'x');
        text[at] = at % 2 == 0 ? u'\u00e9' : u'\u20ac';
        logger->Warning(u"%s", text.c_str());
        std::string bytes
            = std::string(at, 'x') + (at % 2 == 0 ? "\xC3\xA9" : "\xE2\x82\xAC") + std::string(39 - at, 'x');
        expected.push_back("WARN : " + utf8Name + " - " + bytes);
    }
    logger->Warning(u"%s", std::u16string(5000, u'L').c_str());
    expected.push_back("WARN : " + utf8Name + " - " + std::string(5000, 'L'));
    logger->Warning(u"s");
    expected.push_back("WARN : " + utf8Name + " - s");
    EXPECT_EQ(Written("Logs/positions.log"), expected);
}

TEST_F(ServiceLoggerTest, UnopenableFileRaisesAndReleasesTheMutex)
{
    // A plain file named "Logs" keeps the directory from being created.
    std::ofstream("Logs") << "blocker";
    LoggerManager manager(u"x.log");
    ServiceLogger* logger = manager.GetLogger(u"X", OUTPUT_FILE);
    EXPECT_EQ(ThrownLine([&] { logger->Error(u"lost %d", 1); }), kOpeningFailed);
    EXPECT_EQ(manager.GetFN(), nullptr);
    EXPECT_EQ(ReadFile("Logs"), "blocker");

    // Once the way is clear, a message from another thread gets the mutex and the file.
    std::filesystem::remove("Logs");
    std::thread([logger] { logger->Error(u"kept %d", 2); }).join();
    EXPECT_EQ(Written("Logs/x.log"), std::vector<std::string> {"ERROR : X - kept 2"});
}

TEST_F(ServiceLoggerTest, CopyWritesThroughTheSameManagerWithoutBeingRegistered)
{
    LoggerManager manager(u"copy.log");
    ServiceLogger* original = manager.GetLogger(u"Orig", OUTPUT_FILE);
    original->SetLevelType(LOG_DEBUG);
    ServiceLogger copy(*original);
    EXPECT_EQ(copy.GetName(), u"Orig");
    EXPECT_EQ(copy.GetLevelType(), LOG_DEBUG);
    EXPECT_EQ(copy.GetOutputType(), OUTPUT_FILE);
    copy.Debug(u"from copy");
    EXPECT_EQ(manager.GetLogger(u"Orig", OUTPUT_FILE), original);

    ServiceLogger assigned(u"Other", &manager, OUTPUT_CONSOLE);
    EXPECT_EQ(assigned.GetLevelType(), LOG_WARN);
    assigned = copy;
    EXPECT_EQ(assigned.GetName(), u"Orig");
    EXPECT_EQ(assigned.GetOutputType(), OUTPUT_FILE);
    assigned.Debug(u"from assigned");

    EXPECT_EQ(Written("Logs/copy.log"),
        (std::vector<std::string> {"DEBUG : Orig - from copy", "DEBUG : Orig - from assigned"}));
}

TEST_F(ServiceLoggerTest, LoggerWithoutManagerDropsItsMessages)
{
    ServiceLogger orphan(u"Orphan", nullptr, OUTPUT_CONSOLE);
    EXPECT_EQ(orphan.GetLevelType(), LOG_WARN);
    EXPECT_EQ(Stdout([&] { orphan.Fatal(u"nowhere %d", 1); }), "");
}

TEST_F(ServiceLoggerTest, TwoThreadsThroughTwoLoggersWriteOnlyWholeLines)
{
    LoggerManager manager(u"threads.log");
    ServiceLogger* first = manager.GetLogger(u"First", OUTPUT_FILE);
    ServiceLogger* second = manager.GetLogger(u"Second", OUTPUT_FILE);
    constexpr int kLines = 2000;
    std::u16string const padding(200, u'p');
    auto writer = [&](ServiceLogger* logger) {
        for (int i = 0; i < kLines; ++i) {
            logger->Error(u"%d %s", i, padding.c_str());
        }
    };
    manager.OpenFileName();
    // A third thread changes thresholds, fetches loggers, renames the file (for
    // the next opening) and asks for it to be opened meanwhile.
    std::atomic<bool> done {false};
    std::thread changer([&] {
        while (!done.load()) {
            manager.SetLevelType(u"Third", LOG_TRACE);
            manager.GetLogger(u"Third", OUTPUT_FILE);
            manager.SetLogFileName(u"later.log");
            manager.OpenFileName();
        }
    });
    std::thread a(writer, first);
    std::thread b(writer, second);
    a.join();
    b.join();
    done = true;
    changer.join();

    std::map<std::string, int> next {{"First", 0}, {"Second", 0}};
    std::string const tail = " " + std::string(200, 'p');
    for (auto const& line : Lines(ReadFile("Logs/threads.log"))) {
        std::string const rest = WithoutStamp(line);
        ASSERT_EQ(rest.rfind("ERROR : ", 0), 0u) << line;
        auto const dash = rest.find(" - ");
        ASSERT_NE(dash, std::string::npos) << line;
        std::string const name = rest.substr(8, dash - 8);
        ASSERT_TRUE(next.count(name)) << line;
        // Each logger's lines are whole and in its own order.
        EXPECT_EQ(rest.substr(dash + 3), std::to_string(next[name]) + tail);
        ++next[name];
    }
    EXPECT_EQ(next["First"], kLines);
    EXPECT_EQ(next["Second"], kLines);
    EXPECT_FALSE(Exists("Logs/later.log"));
}

} // namespace
} // namespace TarnwickTest
