#include "core/LevelSettingsModel.h"
#include "logging/LoggingTestSupport.h"

#include <tarnwick/logging/LevelTypes.h>
#include <tarnwick/logging/LoggerManager.h>
#include <tarnwick/logging/ServiceLogger.h>

#include <gtest/gtest.h>

#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

namespace TarnwickTest {
namespace {

using namespace Tarnwick::Utils;

using LoggerManagerTest = LoggingTest;

// A manager is made from its file name as from a wide string, also written
// `LoggerManager manager = {u"app.log"};`.
static_assert(std::is_convertible_v<std::u16string, LoggerManager>);

TEST(LevelTypesTest, ValuesAndNames)
{
    EXPECT_EQ(LOG_TRACE, 0);
    EXPECT_EQ(LOG_NONE, 6);
    EXPECT_EQ(OUTPUT_FILE, 1);
    EXPECT_EQ(OUTPUT_CONSOLE, 0);
    EXPECT_EQ(ServiceLogger::LOG_FATAL, LOG_FATAL);
    EXPECT_EQ(ServiceLogger::OUTPUT_FILE, OUTPUT_FILE);
    std::vector<std::u16string> const names(LevelTypeNames, LevelTypeNames + LevelTypeCount);
    EXPECT_EQ(names, (std::vector<std::u16string> {u"TRACE", u"DEBUG", u"INFO", u"WARN", u"ERROR", u"FATAL", u"NONE"}));
}

TEST(LevelTypesTest, GetLevelTypeParsesTheExactNames)
{
    for (std::int32_t level = 0; level < LevelTypeCount; ++level) {
        EXPECT_EQ(LoggerManager::GetLevelType(LevelTypeNames[level]), level);
    }
    LoggerManager manager(u"unused.log");
    EXPECT_EQ(manager.GetLevelType(u"WARN"), LOG_WARN);

    for (std::u16string const name : {u"warn", u"", u"WARN ", u" INFO", u"WARNING", u"Dégât"}) {
        EXPECT_EQ(ThrownLine([&] { LoggerManager::GetLevelType(name); }),
            u"Exception: ServiceLogger line 130 - GetLevelType() - type name " + name + u" unknown");
    }
}

TEST_F(LoggerManagerTest, GetLoggerReturnsTheSameLoggerAndKeepsItsLevel)
{
    LoggerManager manager(u"same.log");
    ServiceLogger* first = manager.GetLogger(u"Server", OUTPUT_FILE);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetName(), u"Server");
    EXPECT_EQ(first->GetOutputType(), OUTPUT_FILE);
    first->SetLevelType(LOG_TRACE);
    EXPECT_EQ(manager.GetLogger(u"Server", OUTPUT_FILE), first);
    EXPECT_EQ(first->GetLevelType(), LOG_TRACE);
    EXPECT_NE(manager.GetLogger(u"server", OUTPUT_FILE), first);
    EXPECT_FALSE(Exists("Logs"));
}

TEST_F(LoggerManagerTest, GetLoggerOfAnotherOutputTypeRaisesAndKeepsTheLogger)
{
    LoggerManager manager(u"type.log");
    ServiceLogger* file = manager.GetLogger(u"Server", OUTPUT_FILE);
    ServiceLogger* odd = manager.GetLogger(u"Odd", static_cast<OutputTypes>(2));
    std::u16string const different
        = u"Exception: ServiceLogger::GetLogger line 75 - The logger is different type that is required.";
    EXPECT_EQ(ThrownLine([&] { manager.GetLogger(u"Server", OUTPUT_CONSOLE); }), different);
    // Both 0 and 2 write to standard output, but they are different types.
    EXPECT_EQ(ThrownLine([&] { manager.GetLogger(u"Odd", OUTPUT_CONSOLE); }), different);
    EXPECT_EQ(manager.GetLogger(u"Server", OUTPUT_FILE), file);
    EXPECT_EQ(manager.GetLogger(u"Odd", static_cast<OutputTypes>(2)), odd);
    // The manager's mutex was released as the exception left.
    std::thread([&] { EXPECT_EQ(manager.GetLogger(u"Server", OUTPUT_FILE), file); }).join();
}

// The levels of the shared pattern examples, WARN being where loggers start.
constexpr LevelTypes kPatternLevels[] = {LOG_TRACE, LOG_DEBUG, LOG_ERROR, LOG_FATAL, LOG_INFO, LOG_NONE};

LevelTypes PatternLevel(int index)
{
    return LevelOfIndex(index, LOG_WARN, kPatternLevels);
}

class LevelSettingTest : public LoggingTest, public ::testing::WithParamInterface<PatternCase> { };

// Settings made before and after the loggers exist give the same levels.
TEST_P(LevelSettingTest, LastMatchInSettingOrderWins)
{
    for (bool settingsFirst : {true, false}) {
        SCOPED_TRACE(settingsFirst ? "settings first" : "loggers first");
        LoggerManager manager(u"levels.log");
        auto applySettings = [&] {
            for (auto const& [name, level] : GetParam().settings) {
                manager.SetLevelType(name, PatternLevel(level));
            }
        };
        if (settingsFirst) {
            applySettings();
        }
        std::vector<ServiceLogger*> loggers;
        for (auto const& entry : GetParam().members) {
            loggers.push_back(manager.GetLogger(entry.first, OUTPUT_FILE));
        }
        if (!settingsFirst) {
            applySettings();
        }
        for (std::size_t i = 0; i < loggers.size(); ++i) {
            EXPECT_EQ(loggers[i]->GetLevelType(), PatternLevel(GetParam().members[i].second))
                << std::string(GetParam().members[i].first.begin(), GetParam().members[i].first.end());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Patterns, LevelSettingTest, ::testing::ValuesIn(PatternCases()), PatternCaseName);

TEST_F(LoggerManagerTest, DirectLevelLastsUntilAMatchingPropagation)
{
    LoggerManager manager(u"direct.log");
    ServiceLogger* db = manager.GetLogger(u"Db", OUTPUT_FILE);
    ServiceLogger* net = manager.GetLogger(u"Net", OUTPUT_FILE);
    db->SetLevelType(LOG_TRACE);
    net->SetLevelType(LOG_TRACE);
    manager.SetLevelType(u"Net", LOG_ERROR);
    EXPECT_EQ(db->GetLevelType(), LOG_TRACE);
    EXPECT_EQ(net->GetLevelType(), LOG_ERROR);
    // A new logger re-runs the propagation for all loggers.
    net->SetLevelType(LOG_DEBUG);
    manager.GetLogger(u"Other", OUTPUT_FILE);
    EXPECT_EQ(net->GetLevelType(), LOG_ERROR);
    EXPECT_EQ(db->GetLevelType(), LOG_TRACE);
}

TEST_F(LoggerManagerTest, CloseTruncatesAndStartsAfresh)
{
    LoggerManager manager(u"close.log");
    manager.SetLevelType(u"Svc", LOG_TRACE);
    ServiceLogger* before = manager.GetLogger(u"Svc", OUTPUT_FILE);
    EXPECT_EQ(before->GetLevelType(), LOG_TRACE);
    before->Trace(u"before %d", 1);
    before->Trace(u"before %d", 2);
    EXPECT_EQ(Lines(ReadFile("Logs/close.log")).size(), 2u);

    manager.Close();
    EXPECT_EQ(manager.GetFN(), nullptr);
    // Closing touches no file: what was written stays until the next opening.
    EXPECT_EQ(Lines(ReadFile("Logs/close.log")).size(), 2u);

    // Settings were forgotten: the new logger is at WARN.
    ServiceLogger* after = manager.GetLogger(u"Svc", OUTPUT_CONSOLE);
    EXPECT_EQ(after->GetLevelType(), LOG_WARN);
    ServiceLogger* file = manager.GetLogger(u"Svc2", OUTPUT_FILE);
    file->Trace(u"dropped");
    EXPECT_EQ(Lines(ReadFile("Logs/close.log")).size(), 2u);
    file->Warning(u"after");
    EXPECT_EQ(Written("Logs/close.log"), std::vector<std::string> {"WARN : Svc2 - after"});

    manager.Close();
    manager.Close();
}

TEST_F(LoggerManagerTest, SetLogFileNameTakesEffectAtTheNextOpening)
{
    LoggerManager manager(u"first.log");
    ServiceLogger* logger = manager.GetLogger(u"N", OUTPUT_FILE);
    manager.SetLogFileName(u"renamed-before-opening.log");
    logger->Warning(u"one");
    EXPECT_FALSE(Exists("Logs/first.log"));
    manager.SetLogFileName(u"second.log");
    logger->Warning(u"two");
    EXPECT_FALSE(Exists("Logs/second.log"));
    EXPECT_EQ(Lines(ReadFile("Logs/renamed-before-opening.log")).size(), 2u);

    manager.Close();
    manager.GetLogger(u"N", OUTPUT_FILE)->Warning(u"three");
    EXPECT_EQ(Written("Logs/second.log"), std::vector<std::string> {"WARN : N - three"});
    EXPECT_EQ(Lines(ReadFile("Logs/renamed-before-opening.log")).size(), 2u);
}

TEST_F(LoggerManagerTest, FileNameIsUsedExactlyAndEncodedAsUtf8)
{
    LoggerManager manager(u"Журнал €.log");
    manager.GetLogger(u"U", OUTPUT_FILE)->Error(u"x");
    EXPECT_TRUE(Exists("Logs/\xD0\x96\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB \xE2\x82\xAC.log"));

    // An existing file is truncated by the first opening.
    std::filesystem::create_directory("Logs/sub");
    std::ofstream("Logs/sub/old.log") << "old content\n";
    LoggerManager second(u"sub/old.log");
    second.GetLogger(u"S", OUTPUT_FILE)->Error(u"new");
    EXPECT_EQ(Written("Logs/sub/old.log"), std::vector<std::string> {"ERROR : S - new"});
}

TEST_F(LoggerManagerTest, UnopenableNamesRaise)
{
    std::u16string const withZero(u"ab\0cd", 5);
    for (std::u16string const& name : {std::u16string(u"missing/dir.log"), std::u16string(), withZero}) {
        LoggerManager manager(name);
        ServiceLogger* logger = manager.GetLogger(u"Z", OUTPUT_FILE);
        EXPECT_EQ(ThrownLine([&] { logger->Fatal(u"x"); }), kOpeningFailed);
        EXPECT_EQ(manager.GetFN(), nullptr);
    }
    EXPECT_FALSE(Exists("Logs/ab"));
    // Only the one directory level was made.
    EXPECT_FALSE(Exists("Logs/missing"));
}

TEST_F(LoggerManagerTest, OpenFileNameOpensOnce)
{
    LoggerManager manager(u"open.log");
    EXPECT_FALSE(Exists("Logs"));
    manager.OpenFileName();
    std::FILE* const file = manager.GetFN();
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(ReadFile("Logs/open.log"), "");
    manager.OpenFileName();
    EXPECT_EQ(manager.GetFN(), file);
}

} // namespace
} // namespace TarnwickTest
