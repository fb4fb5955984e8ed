# Event frames: drawing one frame on the render thread, playback pacing and CPU at 30 Mev/s.
if(TARGET QuillscopeCore)
  # Qt's imported targets are visible per directory: find them here too.
  find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets Svg)
  add_executable(quillex_bench_view ${CMAKE_CURRENT_LIST_DIR}/view/ViewBench.cpp)
  target_link_libraries(quillex_bench_view PRIVATE QuillscopeCore quillex_raw_synth)
endif()
