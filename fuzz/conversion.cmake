# The UTF-8 and UTF-16 conversions, fed arbitrary bytes.
tarnwick_add_fuzzer(utf8_conversion_fuzzer SOURCES Utf8ConversionFuzzer.cpp)
