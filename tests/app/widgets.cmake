# Widget kit and frameless-window layer.
foreach(_test ThreeHandleSlider Notifications FrameAndInputs)
  if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/widgets/${_test}Test.cpp)
    string(TOLOWER ${_test} _name)
    quillex_add_qtest(tst_widgets_${_name} SOURCES ${CMAKE_CURRENT_LIST_DIR}/widgets/${_test}Test.cpp)
  endif()
endforeach()
