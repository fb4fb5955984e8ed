quillex_add_gtest(test_hal_link
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/link/LinkTest.cpp
  LIBS QuillexHal)
