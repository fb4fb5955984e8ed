add_executable(bench_decoder ${CMAKE_CURRENT_LIST_DIR}/decoder/DecoderBench.cpp)
target_link_libraries(bench_decoder PRIVATE QuillexHal)
target_compile_definitions(bench_decoder PRIVATE QUILLEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
