# quillex_add_gtest(NAME SOURCES... [LIBS ...] [LABELS ...])
# One GoogleTest executable in bin/, registered with CTest test by test.
include(GoogleTest)
function(quillex_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
  quillex_test_common(${name})
  if(NOT ARG_LABELS)
    set(ARG_LABELS library)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    NO_PRETTY_VALUES
    PROPERTIES LABELS "${ARG_LABELS}" TIMEOUT 300
               ENVIRONMENT "QUILLEX_LOG_LEVEL=3")
endfunction()

# Common test helpers (sample data location, temporary folders).
function(quillex_test_common target)
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common)
  target_compile_definitions(${target} PRIVATE QUILLEX_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
endfunction()
