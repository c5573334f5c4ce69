#include "diagnostics/MetricsWriter.h"

#include <tarnwick/diagnostics/ServiceDiagnostics.h>
#include <tarnwick/threading/Mutex.h>
#include <tarnwick/threading/MutexLock.h>

#include "core/Decimal.h"
#include "core/Utf16.h"
#include "diagnostics/CounterIndex.h"
#include "diagnostics/Levels.h"
#include "diagnostics/NumberCounter.h"
#include "diagnostics/SizeCounter.h"
#include "diagnostics/TimeCounter.h"

#include <algorithm>
#include <charconv>
#include <utility>
#include <string_view>
#include <unordered_set>

namespace Tarnwick::Diagnostics::Detail {

namespace {

enum Figure { LAST, MIN, MAX, MEAN, SAMPLES };

struct Family {
    std::string_view m_Name;
    std::string_view m_Type;
    std::string_view m_Help;
    Figure m_Figure;
};

// The names are documented with DiagnosticsManager::WriteMetrics; dashboards
// and alerts are written against them.
constexpr Family kNumberFamily {
    "tarnwick_number_total", "counter", "Current value of each number counter of a service.", SAMPLES};

/// One figure of the statistics, as a family of the size counters and one of
/// the time counters.
struct StatisticsFamilies {
    Family m_Size;
    Family m_Time;
};

constexpr StatisticsFamilies kStatisticsFamilies[] = {
    {{"tarnwick_size_last", "gauge", "Last sample of each size counter.", LAST},
        {"tarnwick_time_last_seconds", "gauge", "Last duration measured by each time counter.", LAST}},
    {{"tarnwick_size_min", "gauge", "Smallest sample of each size counter since its reset.", MIN},
        {"tarnwick_time_min_seconds", "gauge", "Shortest duration measured by each time counter since its reset.",
            MIN}},
    {{"tarnwick_size_max", "gauge", "Largest sample of each size counter since its reset.", MAX},
        {"tarnwick_time_max_seconds", "gauge", "Longest duration measured by each time counter since its reset.", MAX}},
    {{"tarnwick_size_mean", "gauge", "Mean of the samples of each size counter since its reset.", MEAN},
        {"tarnwick_time_mean_seconds", "gauge", "Mean duration measured by each time counter since its reset.", MEAN}},
    {{"tarnwick_size_samples_total", "counter", "Samples taken by each size counter since its reset.", SAMPLES},
        {"tarnwick_time_samples_total", "counter", "Durations measured by each time counter since its reset.",
            SAMPLES}},
};

constexpr std::uint32_t kMicrosecondsPerSecond = 1000000;

/// One formatted sample value.
struct Number {
    char m_Text[40];
    std::size_t m_Size = 0;

    template <class T> void Set(T value) noexcept
    {
        if constexpr (std::is_integral_v<T>) {
            m_Size = static_cast<std::size_t>(Tarnwick::Detail::WriteDecimal(m_Text, value) - m_Text);
        } else {
            m_Size = static_cast<std::size_t>(std::to_chars(m_Text, std::end(m_Text), value).ptr - m_Text);
        }
    }

    /// Microseconds as exact decimal seconds: no rounding through a double,
    /// and no zeros at the end of the fraction.
    void SetSeconds(std::uint32_t microseconds) noexcept
    {
        Set(microseconds / kMicrosecondsPerSecond);
        std::uint32_t const fraction = microseconds % kMicrosecondsPerSecond;
        if (fraction == 0) {
            return;
        }
        m_Text[m_Size++] = '.';
        m_Size = static_cast<std::size_t>(Tarnwick::Detail::WriteFixedDigits<6>(m_Text + m_Size, fraction) - m_Text);
        while (m_Text[m_Size - 1] == '0') {
            --m_Size;
        }
    }

    std::string_view View() const noexcept { return {m_Text, m_Size}; }
};

/// Whether the statistics have the figure; `value` receives it in the
/// family's unit (seconds for durations, which the counters keep in µs).
bool Format(Figure figure, StatisticsSnapshot const& figures, bool seconds, Number& value) noexcept
{
    if (figure == SAMPLES) {
        value.Set(figures.m_Samples);
        return true;
    }
    // Without a sample the minimum's 999999999 and the zeros are placeholders.
    if (figures.m_Samples == 0) {
        return false;
    }
    if (figure == MEAN) {
        // Shortest text that reads back as the same double.
        value.Set(seconds ? figures.m_Average / kMicrosecondsPerSecond : figures.m_Average);
        return true;
    }
    std::uint32_t const whole = figure == LAST ? figures.m_Last : figure == MIN ? figures.m_Min : figures.m_Max;
    if (seconds) {
        value.SetSeconds(whole);
    } else {
        value.Set(whole);
    }
    return true;
}

/// Escapes as the format requires: backslash and line feed everywhere, the
/// double quote inside label values.
void AppendEscaped(std::string& out, std::string_view text, bool labelValue)
{
    std::string_view const special = labelValue ? std::string_view("\\\n\"") : std::string_view("\\\n");
    for (std::size_t found; (found = text.find_first_of(special)) != std::string_view::npos;) {
        out.append(text.substr(0, found));
        out += '\\';
        out += text[found] == '\n' ? 'n' : text[found];
        text.remove_prefix(found + 1);
    }
    out.append(text);
}

void AppendLabel(std::string& out, std::string_view name, std::u16string const& value, std::string& scratch)
{
    scratch.clear();
    Tarnwick::Detail::AppendUtf8(scratch, value); // lone surrogates become U+FFFD
    out += name;
    out += "=\"";
    AppendEscaped(out, scratch, true);
    out += '"';
}

/// The label sets of a kind's entries, one after the other in one text.
struct LabelSets {
    std::string m_Text;
    // Where each entry's set lies in m_Text, as offsets so that moving the
    // text cannot leave them dangling; an empty set is not written.
    std::vector<std::pair<std::size_t, std::size_t>> m_Sets;

    std::string_view Set(std::size_t entry) const noexcept
    {
        return std::string_view(m_Text).substr(m_Sets[entry].first, m_Sets[entry].second);
    }
};

/// Distinct UTF-16 names can meet in UTF-8 only through lone surrogates, which
/// all become U+FFFD, so only label sets holding U+FFFD can repeat one another.
/// A repeated series would make the whole exposition invalid to collectors:
/// the first in order stays.
void DropRepeated(LabelSets& labels)
{
    std::unordered_set<std::string_view> seen;
    for (std::size_t entry = 0; entry < labels.m_Sets.size(); ++entry) {
        std::string_view const set = labels.Set(entry);
        if (set.find("\xEF\xBF\xBD") != std::string_view::npos && !seen.insert(set).second) {
            labels.m_Sets[entry].second = 0;
        }
    }
}

template <class Entry> LabelSets LabelSetsOf(std::vector<Entry> const& entries)
{
    LabelSets labels;
    labels.m_Sets.reserve(entries.size());
    std::string scratch;
    std::string service;
    std::u16string const* previous = nullptr; // entries come grouped by service
    for (Entry const& entry : entries) {
        if (entry.m_Service != previous) {
            previous = entry.m_Service;
            service.clear();
            AppendLabel(service, "service", *previous, scratch);
            service += ',';
        }
        std::size_t const start = labels.m_Text.size();
        labels.m_Text += service;
        AppendLabel(labels.m_Text, "counter", *entry.m_Counter, scratch);
        labels.m_Sets.emplace_back(start, labels.m_Text.size() - start);
    }
    if (labels.m_Text.find("\xEF\xBF\xBD") != std::string::npos) {
        DropRepeated(labels);
    }
    return labels;
}

/// Appends one family: its HELP and TYPE lines, then a sample per entry that
/// has the figure; nothing at all when no entry has it.
template <class Entry, class Formatter>
void AppendFamily(std::string& out, Family const& family, std::vector<Entry> const& entries, LabelSets const& labels,
    Formatter format)
{
    bool headed = false;
    Number value;
    // The exposition grows to hundreds of kilobytes: room for the whole family at once.
    std::size_t const needed = out.size() + labels.m_Text.size() + entries.size() * (family.m_Name.size() + 32) + 256;
    if (out.capacity() < needed) {
        out.reserve(std::max(needed, 2 * out.capacity()));
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (labels.m_Sets[i].second == 0 || !format(entries[i], value)) {
            continue;
        }
        if (!headed) {
            out += "# HELP ";
            out += family.m_Name;
            out += ' ';
            AppendEscaped(out, family.m_Help, false);
            out += "\n# TYPE ";
            out += family.m_Name;
            out += ' ';
            out += family.m_Type;
            out += '\n';
            headed = true;
        }
        out += family.m_Name;
        out += '{';
        out += labels.Set(i);
        out += "} ";
        out += value.View();
        out += '\n';
    }
}

/// The families of one kind of statistics counter; durations in seconds.
void AppendStatistics(std::string& out, std::vector<MetricsSnapshot::StatisticsEntry> const& entries, bool seconds)
{
    LabelSets const labels = LabelSetsOf(entries);
    for (StatisticsFamilies const& both : kStatisticsFamilies) {
        Family const& family = seconds ? both.m_Time : both.m_Size;
        AppendFamily(out, family, entries, labels,
            [&](auto const& entry, Number& value) { return Format(family.m_Figure, entry.m_Figures, seconds, value); });
    }
}

template <class Counter> struct Listed {
    std::u16string const* m_Name;
    Counter* m_Counter;
};

} // namespace

void MetricsSnapshot::Add(ServiceDiagnostics const& diagnostics)
{
    ServiceDiagnostics::DiagnosticsLevel const level = diagnostics.GetLevelType();
    std::vector<Listed<NumberCounter>> numbers;
    std::vector<Listed<SizeCounter>> sizes;
    std::vector<Listed<TimeCounter>> times;
    {
        // Counters are created under this mutex; holding it only to list them
        // keeps counting threads waiting no longer than that.
        Threading::MutexLock const lock(*diagnostics.m_Mutex);
        if (Enables(level, NUMBER_KIND)) {
            diagnostics.m_NumberCounters->List(numbers);
        }
        if (Enables(level, SIZE_KIND)) {
            diagnostics.m_SizeCounters->List(sizes);
        }
        if (Enables(level, TIME_KIND)) {
            diagnostics.m_TimeCounters->List(times);
        }
    }
    std::u16string const* const service = &diagnostics.m_Name;
    for (auto const& [name, counter] : numbers) {
        m_Numbers.push_back({service, name, counter->GetCount()});
    }
    for (auto const& [name, counter] : sizes) {
        m_Sizes.push_back({service, name, counter->Read()});
    }
    for (auto const& [name, counter] : times) {
        m_Times.push_back({service, name, counter->Read()});
    }
}

void MetricsSnapshot::AppendTo(std::string& out) const
{
    AppendFamily(out, kNumberFamily, m_Numbers, LabelSetsOf(m_Numbers), [](NumberEntry const& entry, Number& value) {
        value.Set(entry.m_Count);
        return true;
    });
    AppendStatistics(out, m_Sizes, false);
    AppendStatistics(out, m_Times, true);
}

} // namespace Tarnwick::Diagnostics::Detail
