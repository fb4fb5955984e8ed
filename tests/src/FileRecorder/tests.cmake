quillex_add_gtest(test_file_recorder
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/FileRecorder/DvsFileRecorderTest.cpp
  LIBS QuillexDriver)
