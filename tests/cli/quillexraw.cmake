# quillex-raw end to end: sample digests and synth/info/dump/cut/stats agreement.
add_test(NAME quillex_raw_cli
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/quillexraw/quillex-raw-test.sh $<TARGET_FILE:quillex-raw>
          ${PROJECT_SOURCE_DIR}/../shared/data)
set_tests_properties(quillex_raw_cli PROPERTIES LABELS "cli" TIMEOUT 300)
