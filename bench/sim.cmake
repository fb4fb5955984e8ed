add_executable(bench_sim ${CMAKE_CURRENT_SOURCE_DIR}/sim/SimBench.cpp)
target_link_libraries(bench_sim PRIVATE QuillexHal)
