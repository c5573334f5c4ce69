// One reference message (about 1.8 MB) written by this library's encoder and,
// in the same run, the equivalent document by pugixml, tinyxml2 and libxml2,
// and a plain memcpy of as many bytes (the limit). The encoder and pugixml are
// also measured in a server's steady state, into one output string kept across
// messages, and into a file stream.

#include "EncoderReference.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

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

/// `write` returns the output it appended to a string kept across iterations.
template <class Write> void RunReused(benchmark::State& state, Write write)
{
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string const& text = write();
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["output_bytes"] = static_cast<double>(bytes);
}

void TarnwickReusedString(benchmark::State& state)
{
    ReusedOutput output;
    RunReused(state, [&]() -> std::string const& { return output.Encode(Data().header, *Data().tree); });
}

void TarnwickStandardReusedString(benchmark::State& state)
{
    ReusedOutput output;
    RunReused(state, [&]() -> std::string const& { return output.EncodeStandard(Data().header, *Data().tree); });
}

void PugixmlReusedString(benchmark::State& state)
{
    PugiReusedOutput output;
    RunReused(state, [&]() -> std::string const& { return output.Save(*Data().pugi); });
}

void TarnwickFreshOstringstream(benchmark::State& state)
{
    Run(state, [] { return EncodeTarnwick(Data().header, *Data().tree); });
}

void PugixmlFreshString(benchmark::State& state)
{
    Run(state, [] { return SavePugi(*Data().pugi); });
}

/// A file stream over one file rewritten from its start by every iteration.
template <class Write> void RunFile(benchmark::State& state, Write write)
{
    std::filesystem::path const path = std::filesystem::temp_directory_path() / "tarnwick-encoder-bench.xml";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (auto _ : state) {
            out.seekp(0);
            write(out);
            out.flush();
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * std::filesystem::file_size(path)));
    std::filesystem::remove(path);
}

void TarnwickOfstream(benchmark::State& state)
{
    RunFile(state, [](std::ostream& out) { EncodeTarnwickTo(out, Data().header, *Data().tree); });
}

void PugixmlOfstream(benchmark::State& state)
{
    RunFile(state, [](std::ostream& out) { Data().pugi->save(out, "  ", pugi::format_default, pugi::encoding_utf8); });
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

BENCHMARK(TarnwickReusedString)->Unit(benchmark::kMillisecond);
BENCHMARK(TarnwickStandardReusedString)->Unit(benchmark::kMillisecond);
BENCHMARK(PugixmlReusedString)->Unit(benchmark::kMillisecond);
BENCHMARK(TarnwickFreshOstringstream)->Unit(benchmark::kMillisecond);
BENCHMARK(PugixmlFreshString)->Unit(benchmark::kMillisecond);
BENCHMARK(TarnwickOfstream)->Unit(benchmark::kMillisecond);
BENCHMARK(PugixmlOfstream)->Unit(benchmark::kMillisecond);
BENCHMARK(Tinyxml2Printer)->Unit(benchmark::kMillisecond);
BENCHMARK(Libxml2TextWriter)->Unit(benchmark::kMillisecond);
BENCHMARK(Memcpy)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
