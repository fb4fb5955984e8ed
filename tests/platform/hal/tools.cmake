# The tools are exercised on the driver's real register tables, compiled in directly.
quillex_add_gtest(CameraToolsTest
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/tools/CameraToolsTest.cpp
          ${PROJECT_SOURCE_DIR}/src/sensor/RegisterTables.cpp
  LIBS QuillexHal)
target_include_directories(CameraToolsTest PRIVATE ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR}/registers)
