// A record's StoreTo and InitFrom against the hand-written value object of the
// same shape (RecordReference.h), for orders of 0, 4 and 64 lines.

#include "RecordReference.h"

#include <benchmark/benchmark.h>

using namespace RecordBench;

namespace {

template <class O> void StoreTo(benchmark::State& state)
{
    O order = MakeOrder<O>(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::unique_ptr<ServiceType> const tree(order.StoreTo(u"request"));
        benchmark::DoNotOptimize(tree.get());
    }
}

template <class O> void InitFrom(benchmark::State& state)
{
    O order = MakeOrder<O>(static_cast<std::size_t>(state.range(0)));
    std::unique_ptr<ServiceType> const tree(order.StoreTo(u"request"));
    O target;
    for (auto _ : state) {
        target.InitFrom(tree.get());
        benchmark::DoNotOptimize(target.count);
    }
}

BENCHMARK(StoreTo<Order>)->Arg(0)->Arg(4)->Arg(64);
BENCHMARK(StoreTo<HandOrder>)->Arg(0)->Arg(4)->Arg(64);
BENCHMARK(InitFrom<Order>)->Arg(0)->Arg(4)->Arg(64);
BENCHMARK(InitFrom<HandOrder>)->Arg(0)->Arg(4)->Arg(64);

} // namespace

BENCHMARK_MAIN();
