# Raw recording header parsing and bookmark index loading.
quillex_add_fuzzer(fuzz_raw_header SOURCES ${CMAKE_CURRENT_LIST_DIR}/rawfile/FuzzRawHeader.cpp LIBS QuillexDriver)
quillex_add_fuzzer(fuzz_bookmark_file SOURCES ${CMAKE_CURRENT_LIST_DIR}/rawfile/FuzzBookmarkFile.cpp LIBS QuillexDriver)
