quillex_add_gtest(RegisterControllerTest
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/registers/RegisterControllerTest.cpp
  LIBS QuillexHal)
target_include_directories(RegisterControllerTest PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/registers)
