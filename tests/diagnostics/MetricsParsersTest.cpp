// The exposition read back by the Prometheus tools themselves: the client
// library's text parser and promtool.

#include "diagnostics/MetricsTestSupport.h"

#include <tarnwick/diagnostics/DiagnosticsManager.h>

#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace DiagnosticsTest;
using Tarnwick::Diagnostics::DiagnosticsManager;
using Tarnwick::Diagnostics::ServiceDiagnostics;

namespace {

struct Name {
    std::u16string m_Wide;
    std::string m_Utf8; // as a parser gives it back
};

// Service names and counter names a caller may choose.
Name const kNames[] = {
    {u"Db", "Db"},
    {u"quote\"d", "quote\"d"},
    {u"back\\slash\\", "back\\slash\\"},
    {u"line\nfeed\n", "line\nfeed\n"},
    {u"tab\tand\rreturn", "tab\tand\rreturn"},
    {u"Gr\u00FC\u00DFe \u2713 \U0001D11E",
        "Gr\xC3\xBC\xC3\x9F"
        "e \xE2\x9C\x93 \xF0\x9D\x84\x9E"},
    {u"lone\xD800", "lone\xEF\xBF\xBD"},
    {u"", ""},
    {u"Net::Tcp::Rx {a=\"b\"} 1", "Net::Tcp::Rx {a=\"b\"} 1"},
};

using Level = ServiceDiagnostics::DiagnosticsLevel;
using enum Level;
Level const kLevels[] = {SD_ALL, SD_NUMBER_COUNTER, SD_SIZE_COUNTER, SD_TIME_COUNTER, SD_NONE};

std::string Key(std::string const& family, std::string const& service, std::string const& counter)
{
    return family + '|' + service + '|' + counter;
}

/// Fills a manager with every kind of counter in every state under odd names,
/// and answers what the export must hold, from the getters.
class RichManager {
public:
    RichManager()
    {
        for (std::size_t s = 0; s < std::size(kNames); ++s) {
            ServiceDiagnostics* const service = m_Manager.GetServiceDiagnostics(kNames[s].m_Wide);
            Level const level = kLevels[s % std::size(kLevels)];
            service->SetLevel(SD_ALL);
            Fill(*service, s);
            service->SetLevel(level);
            Expect(*service, kNames[s].m_Utf8, level, s);
        }
    }

    DiagnosticsManager const& Manager() const { return m_Manager; }
    std::map<std::string, double> const& Expected() const { return m_Expected; }
    /// Time counters with several samples: their last duration lies between
    /// their minimum and maximum.
    std::set<std::string> const& LastInRange() const { return m_LastInRange; }

private:
    // Per counter name (by index): what is done to it.
    static void Fill(ServiceDiagnostics& service, std::size_t s)
    {
        for (std::size_t c = 0; c < std::size(kNames); ++c) {
            std::u16string const& name = kNames[c].m_Wide;
            switch ((c + s) % 4) {
            case 0: // untouched but created: no samples
                service.NumberCounterGetCount(name);
                service.SizeCounterGetMin(name);
                service.TimeCounterGetMin(name);
                break;
            case 1: // one sample each
                service.NumberCounterReset(name, -17);
                service.SizeCounterUpdate(name, 999999999);
                service.TimeCounterStart(name, u"one");
                std::this_thread::sleep_for(std::chrono::microseconds(1500));
                service.TimeCounterStop(name, u"one");
                break;
            case 2: // several samples, and a measurement still in flight
                service.NumberCounterIncrease(name);
                service.NumberCounterIncrease(name);
                for (std::uint32_t const size : {7u, 1u, 2u}) {
                    service.SizeCounterUpdate(name, size);
                }
                for (auto const id : {u"a", u"b", u"c"}) {
                    service.TimeCounterStart(name, id);
                    service.TimeCounterStop(name, id);
                }
                service.TimeCounterStart(name, u"open");
                service.TimeCounterStop(name, u"open");
                break;
            default: // reset after samples
                service.NumberCounterReset(name, 2147483647);
                service.SizeCounterUpdate(name, 4294967295);
                service.SizeCounterReset(name);
                service.TimeCounterStart(name, u"");
                service.TimeCounterStop(name, u"");
                service.TimeCounterReset(name);
                break;
            }
        }
    }

    void Expect(ServiceDiagnostics& service, std::string const& serviceName, Level level, std::size_t s)
    {
        bool const all = level == SD_ALL;
        for (std::size_t c = 0; c < std::size(kNames); ++c) {
            std::u16string const& name = kNames[c].m_Wide;
            std::string const& counter = kNames[c].m_Utf8;
            auto const expect = [&](std::string const& family, double value) {
                m_Expected[Key(family, serviceName, counter)] = value;
            };
            std::size_t const state = (c + s) % 4;
            std::uint64_t const samples = state == 1 ? 1 : state == 2 ? 3 : 0;
            if (all || level == SD_NUMBER_COUNTER) {
                expect("tarnwick_number_total", service.NumberCounterGetCount(name));
            }
            if (all || level == SD_SIZE_COUNTER) {
                expect("tarnwick_size_samples_total", static_cast<double>(samples));
                if (samples != 0) {
                    expect("tarnwick_size_last", samples == 1 ? 999999999 : 2);
                    expect("tarnwick_size_min", service.SizeCounterGetMin(name));
                    expect("tarnwick_size_max", service.SizeCounterGetMax(name));
                    expect("tarnwick_size_mean", service.SizeCounterGetAverage(name));
                }
            }
            if (all || level == SD_TIME_COUNTER) {
                std::uint64_t const durations = state == 2 ? 4 : samples;
                expect("tarnwick_time_samples_total", static_cast<double>(durations));
                if (durations != 0) {
                    double const min = service.TimeCounterGetMin(name) / 1e6;
                    expect("tarnwick_time_min_seconds", min);
                    expect("tarnwick_time_max_seconds", service.TimeCounterGetMax(name) / 1e6);
                    expect("tarnwick_time_mean_seconds", service.TimeCounterGetAverage(name) / 1e6);
                    if (durations == 1) {
                        expect("tarnwick_time_last_seconds", min);
                    } else {
                        m_LastInRange.insert(Key("tarnwick_time_last_seconds", serviceName, counter));
                    }
                }
            }
        }
    }

    DiagnosticsManager m_Manager;
    std::map<std::string, double> m_Expected;
    std::set<std::string> m_LastInRange;
};

std::string FromHex(std::string const& field)
{
    std::string bytes;
    for (std::size_t i = 1; i + 1 < field.size(); i += 2) { // after the 'x'
        bytes.push_back(static_cast<char>(std::stoi(field.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

/// What the client library parsed: families (name and type) and samples.
struct Parsed {
    std::set<std::string> m_Families;
    std::map<std::string, double> m_Samples;
    std::vector<std::string> m_Problems;
};

Parsed ParseFile(std::string const& file)
{
    Parsed parsed;
    CommandResult const result = ParseWithClientLibrary(file);
    if (result.m_Status != 0) {
        parsed.m_Problems.push_back("parser failed: " + result.m_Output);
        return parsed;
    }
    std::istringstream lines(result.m_Output);
    std::string kind;
    while (lines >> kind) {
        if (kind == "family") {
            std::string name, type, help;
            lines >> name >> type >> help;
            parsed.m_Families.insert(name + ' ' + type);
            if (help.size() < 2) {
                parsed.m_Problems.push_back("no help for " + name);
            }
            continue;
        }
        std::string name, service, counter, value;
        int labels = 0;
        lines >> name >> service >> counter >> value >> labels;
        double number = 0;
        std::from_chars(value.data(), value.data() + value.size(), number);
        std::string const key = Key(name, FromHex(service), FromHex(counter));
        if (labels != 2 || !parsed.m_Samples.emplace(key, number).second) {
            parsed.m_Problems.push_back("odd sample " + key);
        }
    }
    return parsed;
}

/// The rich manager's metrics, written to a file of a folder of its own.
struct RichFile {
    RichFile() { rich.Manager().WriteMetricsFile(path); }

    RichManager const rich;
    TemporaryFolder const folder;
    std::string const path = folder / "rich.prom";
};

TEST(MetricsParsersTest, ClientLibraryReadsTheGettersAnswers)
{
    ASSERT_STRNE(TARNWICK_METRICS_PYTHON, "") << "install python3-prometheus-client";
    RichFile const file;
    RichManager const& rich = file.rich;
    std::string const& path = file.path;

    Parsed parsed = ParseFile(path);
    EXPECT_EQ(parsed.m_Problems, std::vector<std::string> {});
    EXPECT_EQ(parsed.m_Families,
        (std::set<std::string> {"tarnwick_number counter", "tarnwick_size_last gauge", "tarnwick_size_min gauge",
            "tarnwick_size_max gauge", "tarnwick_size_mean gauge", "tarnwick_size_samples counter",
            "tarnwick_time_last_seconds gauge", "tarnwick_time_min_seconds gauge", "tarnwick_time_max_seconds gauge",
            "tarnwick_time_mean_seconds gauge", "tarnwick_time_samples counter"}));
    for (std::string const& key : rich.LastInRange()) {
        auto const last = parsed.m_Samples.find(key);
        ASSERT_NE(last, parsed.m_Samples.end()) << key;
        std::string const rest = key.substr(std::string("tarnwick_time_last_seconds").size());
        EXPECT_GE(last->second, rich.Expected().at("tarnwick_time_min_seconds" + rest)) << key;
        EXPECT_LE(last->second, rich.Expected().at("tarnwick_time_max_seconds" + rest)) << key;
        parsed.m_Samples.erase(last);
    }
    EXPECT_EQ(parsed.m_Samples, rich.Expected()); // exact doubles: nothing lost in the text
    EXPECT_GT(rich.Expected().size(), 100u);
}

TEST(MetricsParsersTest, PromtoolFindsNothingToSay)
{
    ASSERT_STRNE(TARNWICK_PROMTOOL, "TARNWICK_PROMTOOL-NOTFOUND") << "install prometheus (promtool)";
    RichFile const file;
    // Exit status 3 would be lint problems, 1 a refusal; both print why.
    CommandResult const checked = CheckWithPromtool(file.path);
    EXPECT_EQ(checked.m_Status, 0) << checked.m_Output;
    EXPECT_EQ(checked.m_Output, "");

    // And the tool does refuse what is not an exposition, so its silence means something.
    std::string const broken = file.folder / "broken.prom";
    WriteWholeFile(broken, "tarnwick_number_total{service=\"a\n\"} 1\n");
    EXPECT_EQ(CheckWithPromtool(broken).m_Status, 1);
    WriteWholeFile(broken, "# TYPE tarnwick_number counter\ntarnwick_number 1\n");
    EXPECT_EQ(CheckWithPromtool(broken).m_Status, 3);
}

} // namespace
