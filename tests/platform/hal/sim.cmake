quillex_add_gtest(test_hal_sim
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/sim/SimStreamTest.cpp
  LIBS QuillexHal)
