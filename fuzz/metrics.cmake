# The metrics export over service and counter names of any code units.
tarnwick_add_fuzzer(metrics_fuzzer SOURCES MetricsFuzzer.cpp)
