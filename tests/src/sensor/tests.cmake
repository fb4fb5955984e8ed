find_package(nlohmann_json 3 REQUIRED)
quillex_add_gtest(test_sensor
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/sensor/RegisterModelTest.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/sensor/SensorTest.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/sensor/Genx320EventRateControlTest.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/sensor/SensorSimulatorTest.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/sensor/DefaultConfigTest.cpp
  LIBS QuillexDriver nlohmann_json::nlohmann_json)
target_include_directories(test_sensor PRIVATE ${PROJECT_SOURCE_DIR}/tests/platform/hal/registers)
