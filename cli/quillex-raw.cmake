# quillex-raw: recordings on the command line. The synthetic scene is a small library the
# benchmarks reuse.
add_library(quillex_raw_synth STATIC ${CMAKE_CURRENT_LIST_DIR}/quillex-raw/SynthScene.cpp)
target_include_directories(quillex_raw_synth PUBLIC ${CMAKE_CURRENT_LIST_DIR}/quillex-raw)
target_link_libraries(quillex_raw_synth PUBLIC QuillexHal QuillexBase)

set(_quillex_raw_sources
  ${CMAKE_CURRENT_LIST_DIR}/quillex-raw/main.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quillex-raw/Common.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quillex-raw/ReaderCommands.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quillex-raw/StatsCommand.cpp
  ${CMAKE_CURRENT_LIST_DIR}/quillex-raw/SynthCommand.cpp
)
add_executable(quillex-raw ${_quillex_raw_sources})
target_link_libraries(quillex-raw PRIVATE QuillexDriver quillex_raw_synth)
# The video export command comes with the video converter.
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/quillex-raw/ExportCommand.cpp)
  target_sources(quillex-raw PRIVATE ${CMAKE_CURRENT_LIST_DIR}/quillex-raw/ExportCommand.cpp)
  target_compile_definitions(quillex-raw PRIVATE QUILLEX_RAW_HAVE_EXPORT=1)
endif()
