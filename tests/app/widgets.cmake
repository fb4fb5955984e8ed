# Widget kit and frameless-window layer.
quillex_add_qtest(tst_widgets_slider SOURCES ${CMAKE_CURRENT_LIST_DIR}/widgets/ThreeHandleSliderTest.cpp)
quillex_add_qtest(tst_widgets_notifications SOURCES ${CMAKE_CURRENT_LIST_DIR}/widgets/NotificationsTest.cpp)
quillex_add_qtest(tst_widgets_frame_inputs SOURCES ${CMAKE_CURRENT_LIST_DIR}/widgets/FrameAndInputsTest.cpp)
