# Video: export of a 1280 x 720 recording to H.264 (frames per second written) and frame lookup
# latency in a 3840 x 2160 fusion video.
add_executable(quillex_bench_video ${CMAKE_CURRENT_LIST_DIR}/video/VideoBench.cpp)
target_link_libraries(quillex_bench_video PRIVATE QuillexDriver quillex_raw_synth)
