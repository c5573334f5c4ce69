// One reference message (about 1.8 MB) written by this library's encoder and,
// in the same run, the equivalent document by pugixml, tinyxml2 and libxml2,
// and a plain memcpy of as many bytes (the limit).

#include "EncoderReference.h"

#include <benchmark/benchmark.h>

#include <cstring>

namespace {

using namespace EncoderBench;

struct Fixture {
    std::vector<Record> records = MakeRecords();
    Tarnwick::ServiceMessage header = MakeHeader();
    std::unique_ptr<Tarnwick::DataTypes::CompositeType> tree = MakeTree(records);
    std::vector<TextRecord> texts = MakeTextRecords(records);
    std::unique_ptr<pugi::xml_document> pugi = MakePugiDocument(texts);
    std::unique_ptr<tinyxml2::XMLDocument> tiny = MakeTinyDocument(texts);
    std::size_t bytes = EncodeTarnwick(header, *tree).size();
};

Fixture const& Data()
{
    static Fixture const fixture;
    return fixture;
}

template <class Write> void Run(benchmark::State& state, Write write)
{
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = write();
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["output_bytes"] = static_cast<double>(bytes);
}

void TarnwickXmlEncoder(benchmark::State& state)
{
    Run(state, [] { return EncodeTarnwick(Data().header, *Data().tree); });
}

void PugixmlSave(benchmark::State& state)
{
    Run(state, [] { return SavePugi(*Data().pugi); });
}

void Tinyxml2Printer(benchmark::State& state)
{
    Run(state, [] { return PrintTiny(*Data().tiny); });
}

void Libxml2TextWriter(benchmark::State& state)
{
    Run(state, [] { return WriteLibxml2(Data().texts); });
}

void Memcpy(benchmark::State& state)
{
    std::string const source = EncodeTarnwick(Data().header, *Data().tree);
    std::string target(source.size(), '\0');
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), source.size());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * source.size()));
    state.counters["output_bytes"] = static_cast<double>(source.size());
}

BENCHMARK(TarnwickXmlEncoder)->Unit(benchmark::kMillisecond);
BENCHMARK(PugixmlSave)->Unit(benchmark::kMillisecond);
BENCHMARK(Tinyxml2Printer)->Unit(benchmark::kMillisecond);
BENCHMARK(Libxml2TextWriter)->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
