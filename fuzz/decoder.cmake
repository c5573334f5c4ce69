# The XML decoder on arbitrary bytes: shape-free, against a prototype of every
# kind, and the round trip of whatever it accepts.
tarnwick_add_fuzzer(decoder_fuzzer SOURCES XmlDecoderFuzzer.cpp)
