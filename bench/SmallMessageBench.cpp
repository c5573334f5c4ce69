// The small-message family timed: every step of SmallMessages.h, the library's
// beside pugixml's and nlohmann::json's by hand, in one run.

#include "SmallMessages.h"

#include <benchmark/benchmark.h>

using namespace SmallMessages;

int main(int argc, char** argv)
{
    Workload workload;
    for (Step const& step : workload.steps) {
        benchmark::RegisterBenchmark(step.name.c_str(), [&step](benchmark::State& state) {
            for (auto _ : state) {
                step.run();
            }
        });
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
