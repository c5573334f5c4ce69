// Building, deep-copying and reading parameter trees.

#include <tarnwick/datatypes/AnyTypeServiceType.h>
#include <tarnwick/datatypes/CompositeType.h>
#include <tarnwick/datatypes/ScalarType.h>
#include <tarnwick/datatypes/SequenceType.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <string>

using namespace Tarnwick::DataTypes;

namespace {

std::unique_ptr<CompositeType> FlatComposite(std::int64_t children)
{
    auto root = std::make_unique<CompositeType>(u"root");
    for (std::int64_t i = 0; i < children; ++i) {
        root->Add(new ScalarType<std::int32_t>(static_cast<std::int32_t>(i), u"value"));
    }
    return root;
}

// A record of records: each of `records` children holds a text, a number, a
// sequence of 8 doubles and a wrapped boolean.
std::unique_ptr<CompositeType> NestedComposite(std::int64_t records)
{
    auto root = std::make_unique<CompositeType>(u"root");
    for (std::int64_t i = 0; i < records; ++i) {
        auto* record = new CompositeType(u"record");
        record->Add(new ScalarType<std::u16string>(u"a name of some thirty-two units.", u"name"));
        record->Add(new ScalarType<std::int64_t>(i, u"id"));
        record->Add(new SequenceType<double>({1, 2, 3, 4, 5, 6, 7, 8}, u"samples"));
        record->Add(new AnyTypeServiceType(new ScalarType<bool>(true, u"flag"), u"any"));
        root->Add(record);
    }
    return root;
}

void BuildFlatComposite(benchmark::State& state)
{
    for (auto _ : state) {
        benchmark::DoNotOptimize(FlatComposite(state.range(0)));
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BuildFlatComposite)->Arg(16)->Arg(1024);

void CopyFlatComposite(benchmark::State& state)
{
    auto const source = FlatComposite(state.range(0));
    for (auto _ : state) {
        std::unique_ptr<ServiceType> copy(source->Copy());
        benchmark::DoNotOptimize(copy.get());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(CopyFlatComposite)->Arg(16)->Arg(1024);

void CopyNestedComposite(benchmark::State& state)
{
    auto const source = NestedComposite(state.range(0));
    for (auto _ : state) {
        std::unique_ptr<ServiceType> copy(source->Copy());
        benchmark::DoNotOptimize(copy.get());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(CopyNestedComposite)->Arg(64);

// Reading every text of a composite the way an encoder does, with the
// copying getter and with the reference.
template <bool byReference> void ReadTexts(benchmark::State& state)
{
    CompositeType root(u"root");
    for (int i = 0; i < 64; ++i) {
        root.Add(new ScalarType<std::u16string>(std::u16string(64, u'x'), u"text"));
    }
    CompositeType const& readOnly = root;
    for (auto _ : state) {
        std::size_t units = 0;
        for (auto it = readOnly.BeginIterator(); it != readOnly.EndIterator(); ++it) {
            auto const& text = static_cast<ScalarType<std::u16string> const&>(**it);
            if constexpr (byReference) {
                units += text.GetValueRef().size();
            } else {
                units += text.GetValue().size();
            }
        }
        benchmark::DoNotOptimize(units);
    }
    state.SetItemsProcessed(state.iterations() * 64);
}
BENCHMARK(ReadTexts<false>)->Name("ReadTexts/GetValue");
BENCHMARK(ReadTexts<true>)->Name("ReadTexts/GetValueRef");

} // namespace

BENCHMARK_MAIN();
