# Records decoded from arbitrary bytes: through DecodeInto and from shape-free
# trees, with the strong guarantee and the round trip checked.
tarnwick_add_fuzzer(record_fuzzer SOURCES RecordFuzzer.cpp)
