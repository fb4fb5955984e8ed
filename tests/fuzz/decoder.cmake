quillex_add_fuzzer(fuzz_evt3_decoder SOURCES ${CMAKE_CURRENT_LIST_DIR}/decoder/FuzzEvt3Decoder.cpp LIBS QuillexHal)
quillex_add_fuzzer(fuzz_evt3_roundtrip SOURCES ${CMAKE_CURRENT_LIST_DIR}/decoder/FuzzEvt3RoundTrip.cpp LIBS QuillexHal)
