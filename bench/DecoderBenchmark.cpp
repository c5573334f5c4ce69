// The encoder's reference message (about 1.8 MB) read back by this library's
// decoder, typed by the tree it was written from, and in the same run by
// pugixml's parse alone (the floor a DOM decoder builds on) and by pugixml,
// tinyxml2 and libxml2 each parsing and then walking their document into the
// same header and tree.

#include "DecoderReference.h"

#include <benchmark/benchmark.h>

namespace {

using namespace DecoderBench;

Reference const& Data()
{
    static Reference const reference;
    return reference;
}

template <class Decode> void Run(benchmark::State& state, Decode decode)
{
    for (auto _ : state) {
        auto decoded = decode(Data().text);
        benchmark::DoNotOptimize(decoded);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * Data().text.size()));
    state.counters["input_bytes"] = static_cast<double>(Data().text.size());
}

void TarnwickXmlDecoder(benchmark::State& state)
{
    Run(state, [](std::string_view text) { return DecodeTarnwick(text, *Data().prototype); });
}

void PugixmlParseAlone(benchmark::State& state)
{
    Run(state, ParsePugixml);
}

void PugixmlParseWalk(benchmark::State& state)
{
    Run(state, WalkPugixml);
}

void Tinyxml2ParseWalk(benchmark::State& state)
{
    Run(state, WalkTinyxml2);
}

void Libxml2ReadMemoryWalk(benchmark::State& state)
{
    Run(state, WalkLibxml2);
}

BENCHMARK(TarnwickXmlDecoder)->Unit(benchmark::kMillisecond);
BENCHMARK(PugixmlParseAlone)->Unit(benchmark::kMillisecond);
BENCHMARK(PugixmlParseWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(Tinyxml2ParseWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(Libxml2ReadMemoryWalk)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
