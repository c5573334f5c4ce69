# The encoder's and the logger's text conversion against a plain reference.
tarnwick_add_fuzzer(xml_text_fuzzer SOURCES XmlTextFuzzer.cpp)
