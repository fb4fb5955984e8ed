add_executable(bench_camera ${CMAKE_CURRENT_SOURCE_DIR}/camera/CameraBench.cpp)
target_link_libraries(bench_camera PRIVATE QuillexDriver)
