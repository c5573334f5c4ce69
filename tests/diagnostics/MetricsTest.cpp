#include "diagnostics/DiagnosticsTestSupport.h"
#include "diagnostics/MetricsTestSupport.h"

#include <tarnwick/diagnostics/DiagnosticsManager.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

using namespace DiagnosticsTest;
using Tarnwick::Diagnostics::DiagnosticsManager;
using Tarnwick::Diagnostics::ServiceDiagnostics;
using enum ServiceDiagnostics::DiagnosticsLevel;

namespace {

/// "Db" counts everything, "Net" only numbers, "Off" nothing.
void FillSmallManager(DiagnosticsManager& manager)
{
    manager.SetLevelType(u"Db", SD_ALL);
    manager.SetLevelType(u"Net", SD_NUMBER_COUNTER);
    ServiceDiagnostics* const db = manager.GetServiceDiagnostics(u"Db");
    db->NumberCounterReset(u"open", -2);
    for (int i = 0; i < 3; ++i) {
        db->NumberCounterIncrease(u"queries");
    }
    for (std::uint32_t const rows : {10u, 30u, 20u}) {
        db->SizeCounterUpdate(u"rows", rows);
    }
    db->SizeCounterUpdate(u"big", 2000000000);
    db->SizeCounterUpdate(u"big", 4294967295);
    db->SizeCounterGetMin(u"empty"); // created without a sample
    db->TimeCounterGetMin(u"wait");
    ServiceDiagnostics* const net = manager.GetServiceDiagnostics(u"Net");
    net->NumberCounterIncrease(u"frames");
    net->SizeCounterGetMax(u"bytes"); // its kind is off
    manager.GetServiceDiagnostics(u"Off")->NumberCounterGetCount(u"hidden");
}

TEST(MetricsTest, SmallManagerGivesExactText)
{
    DiagnosticsManager manager;
    FillSmallManager(manager);
    EXPECT_EQ(MetricsOf(manager),
        "# HELP tarnwick_number_total Current value of each number counter of a service.\n"
        "# TYPE tarnwick_number_total counter\n"
        "tarnwick_number_total{service=\"Db\",counter=\"open\"} -2\n"
        "tarnwick_number_total{service=\"Db\",counter=\"queries\"} 3\n"
        "tarnwick_number_total{service=\"Net\",counter=\"frames\"} 1\n"
        "# HELP tarnwick_size_last Last sample of each size counter.\n"
        "# TYPE tarnwick_size_last gauge\n"
        "tarnwick_size_last{service=\"Db\",counter=\"big\"} 4294967295\n"
        "tarnwick_size_last{service=\"Db\",counter=\"rows\"} 20\n"
        "# HELP tarnwick_size_min Smallest sample of each size counter since its reset.\n"
        "# TYPE tarnwick_size_min gauge\n"
        "tarnwick_size_min{service=\"Db\",counter=\"big\"} 2000000000\n"
        "tarnwick_size_min{service=\"Db\",counter=\"rows\"} 10\n"
        "# HELP tarnwick_size_max Largest sample of each size counter since its reset.\n"
        "# TYPE tarnwick_size_max gauge\n"
        "tarnwick_size_max{service=\"Db\",counter=\"big\"} 4294967295\n"
        "tarnwick_size_max{service=\"Db\",counter=\"rows\"} 30\n"
        "# HELP tarnwick_size_mean Mean of the samples of each size counter since its reset.\n"
        "# TYPE tarnwick_size_mean gauge\n"
        "tarnwick_size_mean{service=\"Db\",counter=\"big\"} 3147483647.5\n"
        "tarnwick_size_mean{service=\"Db\",counter=\"rows\"} 20\n"
        "# HELP tarnwick_size_samples_total Samples taken by each size counter since its reset.\n"
        "# TYPE tarnwick_size_samples_total counter\n"
        "tarnwick_size_samples_total{service=\"Db\",counter=\"big\"} 2\n"
        "tarnwick_size_samples_total{service=\"Db\",counter=\"empty\"} 0\n"
        "tarnwick_size_samples_total{service=\"Db\",counter=\"rows\"} 3\n"
        "# HELP tarnwick_time_samples_total Durations measured by each time counter since its reset.\n"
        "# TYPE tarnwick_time_samples_total counter\n"
        "tarnwick_time_samples_total{service=\"Db\",counter=\"wait\"} 0\n");
}

TEST(MetricsTest, NothingEnabledWritesNothing)
{
    DiagnosticsManager manager;
    EXPECT_EQ(MetricsOf(manager), "");
    ServiceDiagnostics* const off = manager.GetServiceDiagnostics(u"Off");
    off->SetLevel(SD_ALL);
    off->NumberCounterIncrease(u"calls");
    off->SetLevel(SD_NONE); // the value stays, the export leaves it out
    EXPECT_EQ(MetricsOf(manager), "");
    off->SetLevel(static_cast<ServiceDiagnostics::DiagnosticsLevel>(7));
    EXPECT_EQ(MetricsOf(manager), "");
}

TEST(MetricsTest, ResetStatisticsLoseTheirFigures)
{
    DiagnosticsManager manager;
    manager.SetLevelType(u"S", SD_ALL);
    ServiceDiagnostics* const s = manager.GetServiceDiagnostics(u"S");
    s->SizeCounterUpdate(u"a", 5);
    s->SizeCounterReset(u"a");
    s->TimeCounterStart(u"t", u"m");
    s->TimeCounterStop(u"t", u"m");
    s->TimeCounterReset(u"t");
    EXPECT_EQ(MetricsOf(manager),
        "# HELP tarnwick_size_samples_total Samples taken by each size counter since its reset.\n"
        "# TYPE tarnwick_size_samples_total counter\n"
        "tarnwick_size_samples_total{service=\"S\",counter=\"a\"} 0\n"
        "# HELP tarnwick_time_samples_total Durations measured by each time counter since its reset.\n"
        "# TYPE tarnwick_time_samples_total counter\n"
        "tarnwick_time_samples_total{service=\"S\",counter=\"t\"} 0\n");
}

TEST(MetricsTest, LabelValuesAreEscapedUtf8)
{
    struct Case {
        std::u16string name;
        std::string label; // as written between the quotes
    };
    Case const cases[] = {
        {u"", ""},
        {u"quote\"d", "quote\\\"d"},
        {u"back\\slash", "back\\\\slash"},
        {u"line\nfeed", "line\\nfeed"},
        {u"tab\tand\rreturn", "tab\tand\rreturn"},
        {u"Gr\u00FC\u00DFe \u2713 \U0001D11E",
            "Gr\xC3\xBC\xC3\x9F"
            "e \xE2\x9C\x93 \xF0\x9D\x84\x9E"},
        {u"lone\xD800 high", "lone\xEF\xBF\xBD high"},
        {u"lone\xDC00", "lone\xEF\xBF\xBD"},
        {u"nul\0byte", "nul"},
    };
    for (Case const& c : cases) {
        DiagnosticsManager manager;
        ServiceDiagnostics* const service = manager.GetServiceDiagnostics(c.name);
        service->SetLevel(SD_NUMBER_COUNTER);
        service->NumberCounterIncrease(c.name);
        std::string const text = MetricsOf(manager);
        std::string const expected = "{service=\"" + c.label + "\",counter=\"" + c.label + "\"} 1\n";
        EXPECT_NE(text.find(expected), std::string::npos) << text;
    }
    // The unit 0 is a character like any other.
    DiagnosticsManager manager;
    ServiceDiagnostics* const service = manager.GetServiceDiagnostics(std::u16string(u"a\0b", 3));
    service->SetLevel(SD_NUMBER_COUNTER);
    service->NumberCounterIncrease(u"c");
    EXPECT_NE(MetricsOf(manager).find(std::string("{service=\"a\0b\",", 14)), std::string::npos);
}

TEST(MetricsTest, NamesMeetingThroughLoneSurrogatesWriteTheFirstOnly)
{
    DiagnosticsManager manager;
    ServiceDiagnostics* const service = manager.GetServiceDiagnostics(u"s");
    service->SetLevel(SD_ALL);
    service->NumberCounterReset(u"x\xDC00", 2);
    service->NumberCounterReset(u"x\xD800", 1); // first in code-unit order
    service->NumberCounterReset(u"y", 3);
    EXPECT_EQ(MetricsOf(manager),
        "# HELP tarnwick_number_total Current value of each number counter of a service.\n"
        "# TYPE tarnwick_number_total counter\n"
        "tarnwick_number_total{service=\"s\",counter=\"x\xEF\xBF\xBD\"} 1\n"
        "tarnwick_number_total{service=\"s\",counter=\"y\"} 3\n");
}

TEST(MetricsTest, FileHoldsTheStreamTextAndReplacesTheOldOne)
{
    TemporaryFolder folder;
    std::string const path = folder / "tarnwick.prom";
    WriteWholeFile(path, "old content that is longer than nothing\n");
    DiagnosticsManager manager;
    FillSmallManager(manager);
    manager.WriteMetricsFile(path);
    EXPECT_EQ(ReadWholeFile(path), MetricsOf(manager));
    EXPECT_EQ(folder.Entries(), std::vector<std::string> {"tarnwick.prom"});
    // An empty exposition is a file of its own too.
    DiagnosticsManager empty;
    empty.WriteMetricsFile(path);
    EXPECT_EQ(ReadWholeFile(path), "");
    EXPECT_EQ(folder.Entries(), std::vector<std::string> {"tarnwick.prom"});
}

std::string ExpectedFailure(std::string const& path, std::string const& step, int error)
{
    return "Exception: Tarnwick::Diagnostics::DiagnosticsManager line 104 - WriteMetricsFile() - cannot write " + path
        + " (" + step + "): " + std::strerror(error);
}

std::string NarrowReport(std::u16string const& report)
{
    std::string narrow;
    for (char16_t const unit : report) {
        narrow.push_back(static_cast<char>(unit));
    }
    return narrow;
}

TEST(MetricsTest, UnwritableFileRaisesAndLeavesNoTemporary)
{
    TemporaryFolder folder;
    DiagnosticsManager manager;
    FillSmallManager(manager);

    std::string const missing = folder / "missing/tarnwick.prom";
    EXPECT_EQ(NarrowReport(ReportOf([&] { manager.WriteMetricsFile(missing); })),
        ExpectedFailure(missing, "creating the temporary file", ENOENT));

    // The path is UTF-8; a byte that is not becomes U+FFFD in the message.
    std::string const foreign = folder
        / "Gr\xC3\xBC\xC3\x9F"
          "e\xFF/m.prom";
    std::string const folder8 = folder.Path().string(); // ASCII
    std::u16string const folder16(folder8.begin(), folder8.end());
    EXPECT_EQ(ReportOf([&] { manager.WriteMetricsFile(foreign); }),
        u"Exception: Tarnwick::Diagnostics::DiagnosticsManager line 104 - WriteMetricsFile() - cannot write " + folder16
            + u"/Gr\u00FC\u00DFe\uFFFD/m.prom (creating the temporary file): No such file or directory");

    // A folder in the way: renaming a file over it fails, and it stays as it was.
    std::string const occupied = folder / "occupied.prom";
    std::filesystem::create_directory(occupied);
    WriteWholeFile(occupied + "/inside", "kept");
    EXPECT_EQ(NarrowReport(ReportOf([&] { manager.WriteMetricsFile(occupied); })),
        ExpectedFailure(occupied, "renaming the temporary file over it", EISDIR));
    EXPECT_EQ(ReadWholeFile(occupied + "/inside"), "kept");
    EXPECT_EQ(folder.Entries(), std::vector<std::string> {"occupied.prom"});

    // A folder this process may not write to: its own when it is not root,
    // else the kernel's read-only /sys.
    std::filesystem::path const locked = ::geteuid() == 0 ? std::filesystem::path("/sys") : folder.Path() / "locked";
    if (::geteuid() != 0) {
        std::filesystem::create_directory(locked);
        std::filesystem::permissions(locked, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    }
    std::string const probe = (locked / "probe").string();
    int const refused = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666) < 0 ? errno : 0;
    ASSERT_NE(refused, 0) << locked << " is writable after all";
    std::string const unwritable = (locked / "tarnwick.prom").string();
    EXPECT_EQ(NarrowReport(ReportOf([&] { manager.WriteMetricsFile(unwritable); })),
        ExpectedFailure(unwritable, "creating the temporary file", refused));
    EXPECT_FALSE(std::filesystem::exists(unwritable));
    if (::geteuid() != 0) {
        EXPECT_TRUE(std::filesystem::is_empty(locked));
        std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
    }
}

/// One sample line of a simple exposition (labels without escapes).
struct Sample {
    std::string m_Family;
    std::string m_Labels;
    double m_Value = 0;
};

/// Checks the shape of every line and collects the samples; false on anything
/// a parser would refuse, with `why` saying what.
bool ReadExposition(std::string const& text, std::vector<Sample>& samples, std::string& why)
{
    if (text.empty() || text.back() != '\n') {
        why = "not ending in a line feed";
        return false;
    }
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string const line = text.substr(start, end - start);
        if (line.rfind("# HELP tarnwick_", 0) == 0 || line.rfind("# TYPE tarnwick_", 0) == 0) {
            continue;
        }
        std::size_t const open = line.find('{');
        std::size_t const close = line.find("} ");
        Sample sample;
        if (open == std::string::npos || close == std::string::npos || close < open
            || std::from_chars(line.data() + close + 2, line.data() + line.size(), sample.m_Value).ptr
                != line.data() + line.size()) {
            why = "malformed line: " + line;
            return false;
        }
        sample.m_Family = line.substr(0, open);
        sample.m_Labels = line.substr(open + 1, close - open - 1);
        samples.push_back(sample);
    }
    return true;
}

TEST(MetricsTest, ReadersSeeOnlyCompleteFilesWhileThreadsCount)
{
    TemporaryFolder folder;
    std::string const path = folder / "live.prom";
    DiagnosticsManager manager;
    manager.SetLevelType(u"", SD_ALL);
    ServiceDiagnostics* const worker = manager.GetServiceDiagnostics(u"worker");
    worker->NumberCounterIncrease(u"calls");
    worker->SizeCounterUpdate(u"size", 500);
    manager.WriteMetricsFile(path);

    constexpr int kCounters = 2;
    constexpr int kRounds = 2000;
    constexpr int kReads = 50; // counting goes on until the reader has checked this many files
    std::atomic<int> counting {kCounters};
    std::atomic<bool> writing {true};
    std::atomic<int> reads {0};
    std::atomic<std::int64_t> rounds {0};
    std::vector<std::string> problems; // the reader's own until it is joined
    std::atomic<bool> failed {false};
    std::thread reader([&] {
        std::map<std::string, double> previous; // numbers and sample counts only grow here
        while (writing.load()) {
            std::string const text = ReadWholeFile(path);
            std::vector<Sample> samples;
            std::string why;
            if (!ReadExposition(text, samples, why)) {
                problems.push_back(why);
                failed.store(true);
                break;
            }
            std::map<std::string, double> figures;
            for (Sample const& sample : samples) {
                figures[sample.m_Family + "|" + sample.m_Labels] = sample.m_Value;
            }
            for (auto const& [key, value] : figures) {
                bool const grows
                    = key.rfind("tarnwick_number_total", 0) == 0 || key.find("_samples_total") != std::string::npos;
                if (grows && previous.count(key) != 0 && value < previous[key]) {
                    problems.push_back("went back: " + key);
                }
            }
            // One counter's figures agree with each other.
            std::string const sizes = "|service=\"worker\",counter=\"size\"";
            double const min = figures["tarnwick_size_min" + sizes];
            double const max = figures["tarnwick_size_max" + sizes];
            for (char const* figure : {"tarnwick_size_last", "tarnwick_size_mean"}) {
                double const value = figures[figure + sizes];
                if (value < min || value > max) {
                    problems.push_back(std::string(figure) + " outside its minimum and maximum");
                }
            }
            previous = figures;
            reads.fetch_add(1);
        }
    });
    std::thread writer([&] {
        while (counting.load() > 0) {
            manager.WriteMetricsFile(path);
        }
        manager.WriteMetricsFile(path);
        writing.store(false);
    });
    RunThreads(kCounters, [&](int t) {
        std::u16string const id = t == 0 ? u"first" : u"second";
        int round = 0;
        for (; round < kRounds || (reads.load() < kReads && !failed.load() && writing.load()); ++round) {
            worker->NumberCounterIncrease(u"calls");
            worker->SizeCounterUpdate(u"size", static_cast<std::uint32_t>((round * 7919 + t) % 1000));
            worker->TimeCounterStart(u"time", id);
            worker->TimeCounterStop(u"time", id);
        }
        rounds.fetch_add(round);
        counting.fetch_sub(1);
    });
    writer.join();
    reader.join();
    EXPECT_EQ(problems, std::vector<std::string> {});
    EXPECT_GE(reads.load(), kReads);
    EXPECT_EQ(folder.Entries(), std::vector<std::string> {"live.prom"});
    // The last file holds the final counts.
    std::string const last = ReadWholeFile(path);
    EXPECT_NE(last.find("tarnwick_number_total{service=\"worker\",counter=\"calls\"} "
                  + std::to_string(1 + rounds.load()) + "\n"),
        std::string::npos)
        << last;
    EXPECT_NE(last.find("tarnwick_time_samples_total{service=\"worker\",counter=\"time\"} "
                  + std::to_string(rounds.load()) + "\n"),
        std::string::npos)
        << last;
}

} // namespace
