find_package(nlohmann_json 3 REQUIRED)
quillex_add_gtest(test_camera_runtime
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/camera/CameraRuntimeTest.cpp
          ${CMAKE_CURRENT_SOURCE_DIR}/camera/CameraConfigTest.cpp
  LIBS QuillexDriver nlohmann_json::nlohmann_json)
quillex_add_gtest(test_camera_devices
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/camera/CameraDeviceTest.cpp
  LIBS QuillexDriver)
add_test(NAME quillex_cam_cli
  COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/camera/quillex_cam_test.sh $<TARGET_FILE:quillex-cam>)
set_tests_properties(quillex_cam_cli PROPERTIES LABELS cli TIMEOUT 120)
