// The variant's everyday operations against std::variant over the same value
// types: the price of holding the value as an owned, checked tree node.

#include <tarnwick/core/ServiceException.h>
#include <tarnwick/stubproxy/AnyType.h>

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <variant>

namespace {

using Tarnwick::DataTypes::AnyType;
using Baseline = std::variant<std::monostate, std::int32_t, std::int64_t, double, std::u16string>;

void AssignSameKind(benchmark::State& state)
{
    AnyType any = 0;
    std::int32_t value = 0;
    for (auto _ : state) {
        any = ++value; // in place: the node stays
        benchmark::DoNotOptimize(any.GetServiceType());
    }
}
BENCHMARK(AssignSameKind);

void AssignSameKindBaseline(benchmark::State& state)
{
    Baseline any = std::int32_t {0};
    std::int32_t value = 0;
    for (auto _ : state) {
        any = ++value;
        benchmark::DoNotOptimize(any);
    }
}
BENCHMARK(AssignSameKindBaseline);

void AssignOtherKind(benchmark::State& state)
{
    AnyType any;
    std::int32_t value = 0;
    for (auto _ : state) {
        any = ++value; // a new INT32 node
        any = 1.5; // a new DOUBLE node
        benchmark::DoNotOptimize(any.GetServiceType());
    }
}
BENCHMARK(AssignOtherKind);

void AssignOtherKindBaseline(benchmark::State& state)
{
    Baseline any;
    std::int32_t value = 0;
    for (auto _ : state) {
        any = ++value;
        any = 1.5;
        benchmark::DoNotOptimize(any);
    }
}
BENCHMARK(AssignOtherKindBaseline);

void ReadWidening(benchmark::State& state)
{
    AnyType const any = std::int16_t {-5};
    for (auto _ : state) {
        std::int64_t const value = any;
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(ReadWidening);

void ReadBaseline(benchmark::State& state)
{
    Baseline const any = std::int32_t {-5};
    for (auto _ : state) {
        std::int64_t const value = std::get<std::int32_t>(any);
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(ReadBaseline);

void ReadRefused(benchmark::State& state)
{
    AnyType const any = 5;
    for (auto _ : state) {
        try {
            benchmark::DoNotOptimize(static_cast<std::int16_t>(any));
        } catch (Tarnwick::ServiceException const& e) {
            benchmark::DoNotOptimize(e.what());
        }
    }
}
BENCHMARK(ReadRefused);

void CopyString(benchmark::State& state)
{
    AnyType const any = u"a text of some forty code units, give or take";
    for (auto _ : state) {
        AnyType copy(any);
        benchmark::DoNotOptimize(copy.GetServiceType());
    }
}
BENCHMARK(CopyString);

void CopyStringBaseline(benchmark::State& state)
{
    Baseline const any = std::u16string(u"a text of some forty code units, give or take");
    for (auto _ : state) {
        Baseline copy(any);
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(CopyStringBaseline);

void StoreAndInit(benchmark::State& state)
{
    AnyType const source = 3.25;
    AnyType target;
    for (auto _ : state) {
        AnyType copy(source);
        Tarnwick::DataTypes::ServiceType* const tree = copy.StoreTo(u"value");
        target.InitFrom(tree);
        delete tree;
        benchmark::DoNotOptimize(target.GetServiceType());
    }
}
BENCHMARK(StoreAndInit);

} // namespace

BENCHMARK_MAIN();
