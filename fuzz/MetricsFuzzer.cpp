// Builds a manager from the input (services and counters with names of any
// UTF-16 code units, at any level), writes its metrics, and reads the text
// back by the rules of the exposition format: every line a comment or a well
// formed sample, label values valid UTF-8 once unescaped, no series twice,
// and every enabled number counter's name pair present.

#include <tarnwick/diagnostics/DiagnosticsManager.h>

#include "core/Utf16.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>

using Tarnwick::Diagnostics::DiagnosticsManager;
using Tarnwick::Diagnostics::ServiceDiagnostics;

namespace {

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

std::string Utf8(std::u16string const& text)
{
    std::string out;
    Tarnwick::Detail::AppendUtf8(out, text);
    return out;
}

/// Reads `"value"` at `line`, unescaping; advances past the closing quote.
std::string ReadLabelValue(std::string_view& line)
{
    Require(!line.empty() && line.front() == '"');
    line.remove_prefix(1);
    std::string value;
    while (true) {
        Require(!line.empty());
        char const c = line.front();
        line.remove_prefix(1);
        if (c == '"') {
            return value;
        }
        if (c == '\\') {
            Require(!line.empty());
            char const escaped = line.front();
            line.remove_prefix(1);
            Require(escaped == '\\' || escaped == '"' || escaped == 'n');
            value.push_back(escaped == 'n' ? '\n' : escaped);
        } else {
            value.push_back(c);
        }
    }
}

void Expect(std::string_view& line, std::string_view text)
{
    Require(line.substr(0, text.size()) == text);
    line.remove_prefix(text.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* data, std::size_t size)
{
    DiagnosticsManager manager;
    ServiceDiagnostics* service = manager.GetServiceDiagnostics(u"first");
    service->SetLevel(ServiceDiagnostics::SD_ALL);
    std::set<std::pair<ServiceDiagnostics*, std::u16string>> counted;
    // Records: a command byte, a length byte, then that many code units.
    while (size >= 2) {
        std::uint8_t const command = data[0];
        std::size_t const units = std::min<std::size_t>(data[1], (size - 2) / 2);
        std::u16string name;
        for (std::size_t i = 0; i < units; ++i) {
            name.push_back(static_cast<char16_t>(data[2 + 2 * i] | (data[3 + 2 * i] << 8)));
        }
        data += 2 + 2 * units;
        size -= 2 + 2 * units;
        switch (command & 3) {
        case 0:
            service = manager.GetServiceDiagnostics(name);
            service->SetLevel(static_cast<ServiceDiagnostics::DiagnosticsLevel>((command >> 2) % 6));
            break;
        case 1:
            if (service->NumberCounterIncrease(name)) {
                counted.emplace(service, name);
            }
            break;
        case 2:
            service->SizeCounterUpdate(name, static_cast<std::uint32_t>(command) << 20);
            break;
        default:
            if (service->TimeCounterStart(name, u"m")) {
                service->TimeCounterStop(name, u"m");
            }
            break;
        }
    }

    // Expected: the number counters whose service still counts numbers, by UTF-8 names.
    std::set<std::pair<std::string, std::string>> numbers;
    for (auto const& [owner, name] : counted) {
        ServiceDiagnostics::DiagnosticsLevel const level = owner->GetLevelType();
        if (level == ServiceDiagnostics::SD_NUMBER_COUNTER || level == ServiceDiagnostics::SD_ALL) {
            numbers.emplace(Utf8(owner->GetName()), Utf8(name));
        }
    }
    std::ostringstream out;
    manager.WriteMetrics(out);
    std::string const text = out.str();
    Require(text.empty() || text.back() == '\n');
    std::set<std::string> series;
    std::set<std::pair<std::string, std::string>> writtenNumbers;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string_view line(text.data() + start, end - start);
        if (line.substr(0, 2) == "# ") {
            Require(line.substr(0, 16) == "# HELP tarnwick_" || line.substr(0, 16) == "# TYPE tarnwick_");
            continue;
        }
        std::size_t const brace = line.find('{');
        Require(brace != std::string_view::npos);
        std::string const family(line.substr(0, brace));
        Require(family.find_first_not_of("abcdefghijklmnopqrstuvwxyz_") == std::string::npos);
        line.remove_prefix(brace + 1);
        Expect(line, "service=");
        std::string const serviceName = ReadLabelValue(line);
        Expect(line, ",counter=");
        std::string const counterName = ReadLabelValue(line);
        Expect(line, "} ");
        double value = 0;
        Require(std::from_chars(line.data(), line.data() + line.size(), value).ptr == line.data() + line.size());
        for (std::string const* label : {&serviceName, &counterName}) {
            Require(Utf8(Tarnwick::Detail::DecodeUtf8(*label)) == *label); // valid UTF-8
        }
        Require(series.insert(family + '\n' + serviceName + '\n' + counterName).second);
        if (family == "tarnwick_number_total") {
            writtenNumbers.emplace(serviceName, counterName);
        }
    }
    Require(start == text.size());
    Require(writtenNumbers == numbers);
    return 0;
}
