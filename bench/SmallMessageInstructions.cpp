// One step of the small-message family per run, for instruction counts under
// callgrind: the step is run once to warm up, then once inside `Measured`,
// which callgrind is told to collect alone. Without an argument every step is
// run and its result checked against the values sent; `--list` names them.
//   valgrind --tool=callgrind --toggle-collect=Measured ./small_message_instructions order.hand.decode

#include "SmallMessages.h"

#include <cstdio>

using namespace SmallMessages;

extern "C" __attribute__((noinline)) void Measured(Step const& step)
{
    step.run();
}

namespace {

bool EndsWith(std::string const& text, std::string_view end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

/// Runs `step` on cleared outputs and checks what a decoding step wrote there.
template <class F, class Same> bool Check(Step const& step, F& f, Same same)
{
    f.headerOut = ServiceMessage();
    f.handOut = {};
    f.recordOut = {};
    step.run();
    bool const record = step.name.find(".record.") != std::string::npos;
    bool const decodes = EndsWith(step.name, "decode") || EndsWith(step.name, "roundtrip")
        || EndsWith(step.name, "walk") || EndsWith(step.name, "DecodeInto");
    bool const headers = decodes && !EndsWith(step.name, "DecodeInto");
    bool const values = decodes && (record ? same(f.hand, f.recordOut) : same(f.hand, f.handOut));
    bool const header = !headers || SameHeader(f.header, f.headerOut);
    bool const ok = (!decodes || values) && header;
    std::printf("%-32s %s\n", step.name.c_str(), !decodes ? "run" : ok ? "values checked" : "WRONG VALUES");
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    Workload workload;
    if (argc == 2 && std::string_view(argv[1]) == "--list") {
        for (Step const& step : workload.steps) {
            std::printf("%s\n", step.name.c_str());
        }
        return 0;
    }
    if (argc == 2 && std::string_view(argv[1]) == "--texts") {
        std::printf(
            "%s\n%s\n%s\n", workload.order.text.c_str(), workload.request.text.c_str(), workload.order.json.c_str());
        return 0;
    }
    if (argc == 2) {
        for (Step const& step : workload.steps) {
            if (step.name == argv[1]) {
                step.run();
                Measured(step);
                return 0;
            }
        }
        std::fprintf(stderr, "no step %s (see --list)\n", argv[1]);
        return 2;
    }
    bool ok = true;
    for (Step const& step : workload.steps) {
        ok = step.name.starts_with("request.")
            ? Check(step, workload.request, [](auto const& a, auto const& b) { return SameRequest(a, b); }) && ok
            : Check(step, workload.order, [](auto const& a, auto const& b) { return SameOrder(a, b); }) && ok;
    }
    auto sizes = [](char const* name, auto& f) {
        std::string pugi;
        std::string json;
        EncodePugixml(pugi, f.header, f.hand);
        EncodeJson(json, f.header, f.hand);
        std::printf("%s: library %zu bytes, pugixml %zu bytes, json %zu bytes\n", name, f.text.size(), pugi.size(),
            json.size());
    };
    sizes("request", workload.request);
    sizes("order", workload.order);
    return ok ? 0 : 1;
}
