# Raw recording reader: index build vs decode, index load, seeks, window reads.
add_executable(quillex_bench_rawfile ${CMAKE_CURRENT_LIST_DIR}/rawfile/RawFileBench.cpp)
target_link_libraries(quillex_bench_rawfile PRIVATE QuillexDriver quillex_raw_synth)
