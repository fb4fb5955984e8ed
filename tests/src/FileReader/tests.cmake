# Raw recording reader: header, bookmark index, reads, seeks, extraction.
quillex_add_gtest(quillex_rawfile_tests
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/RawFileHeaderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/BookmarkFileTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RawFileReaderTest.cpp
    ${CMAKE_CURRENT_LIST_DIR}/RawFileReaderSamplesTest.cpp
  LIBS QuillexDriver)
