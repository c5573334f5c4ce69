# Fuzz targets for every entry point that takes callers' bytes: the log
# formatter, the conversions, the encoder and the value objects.
tarnwick_add_fuzzer(log_format_fuzzer SOURCES LogFormatFuzzer.cpp)
tarnwick_add_fuzzer(conversion_fuzzer SOURCES ConversionFuzzer.cpp)
find_package(LibXml2 REQUIRED)
tarnwick_add_fuzzer(encoder_fuzzer SOURCES EncoderFuzzer.cpp LIBRARIES LibXml2::LibXml2)
tarnwick_add_fuzzer(value_objects_fuzzer SOURCES ValueObjectsFuzzer.cpp)
# The UTF-8 check the tests use.
foreach(target IN ITEMS log_format_fuzzer conversion_fuzzer encoder_fuzzer value_objects_fuzzer)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
endforeach()
